// How large a picture window opens: the size the user last gave one, else the picture as large as
// fits in two thirds of the screen with the controls around it.
#pragma once

#include "platform/geometry.h"

#include <optional>
#include <string>

/// The share of the screen a new window's picture may take in each direction.
inline constexpr double kPictureShareOfScreen = 2.0 / 3.0;

/// The content size of a window showing `picture`, with `controls` the room its other controls
/// take beside and below the picture. The user's last size wins when there is one; otherwise the
/// picture is scaled, keeping its proportions, to fit two thirds of `screen`, never above its own
/// pixels (a small frame opens at 1:1). Neither is ever larger than `screen`, and an empty picture
/// counts as 640 x 360.
NSSize pictureWindowContentSize(NSSize picture, NSSize controls, NSSize screen, std::optional<NSSize> userSize);

/// A size as the user defaults keep it ("1280x720"), and back; nothing for a text that isn't two
/// positive whole numbers joined by 'x'.
std::string windowSizeText(NSSize size);
std::optional<NSSize> parseWindowSizeText(const std::string& text);
