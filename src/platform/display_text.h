// How raw 8-bit text whose encoding is unknown (file names, stored names, file bytes) is shown by
// the commands and the log.
#pragma once

#include <string>

/// True when the bytes are well-formed UTF-8.
bool isValidUtf8(const std::string& text);

/// For JSON: UTF-8 passes as it is, anything else is taken as Latin-1, so the JSON stays valid and
/// every byte can be recovered.
std::string jsonText(const std::string& raw);

/// For the terminal: printable ASCII as it is and, when the locale takes UTF-8, well-formed UTF-8
/// characters too; control characters, other bytes and the backslash as \xNN.
std::string printable(const std::string& raw);

/// For the terminal, keeping readable names readable: well-formed UTF-8 as it is, but control
/// characters (C0, DEL, C1), the backslash and bytes that are not UTF-8 as \xNN, so that no text
/// read from a file can move the cursor or send the terminal a command.
std::string terminalText(const std::string& raw);
