// Words for what stops an export, as the front ends show them to the user.
#pragma once

#include "platform/types.h"

#include <string>

/// Status of an export given up at the user's request (the platform's userCanceledErr).
constexpr OSErr kExportAbortedErr = -128;

/// A short phrase for a status of the file system or the movie toolbox: "the disk is full",
/// "permission denied", ...; "error N" for any other.
std::string exportStatusText(OSErr status);
