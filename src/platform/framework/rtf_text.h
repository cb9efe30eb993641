// Plain text of a rich text (RTF) document, for text views that show the help text without a
// rich text engine: paragraphs and line breaks become line feeds, tabs stay, escaped characters
// (\'hh in the Windows-1252 code page, \uN) become UTF-8, and the header groups (font, colour and
// style tables, document info) and other ignorable destinations are dropped.
#pragma once

#include <string>
#include <string_view>

namespace fw {

std::string plainTextFromRtf(std::string_view rtf);

/// The same text as HTML for a rich text view: what is bold (\\b, or a font whose name says
/// Bold) in <b>, line feeds as <br>, the rest escaped.
std::string htmlFromRtf(std::string_view rtf);

} // namespace fw
