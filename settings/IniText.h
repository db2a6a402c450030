// The INI text of the profile, and the rules for names and values that every
// AppProfile shares. Pure functions over bytes: no files, no platform.
//
// Reading:
// - lines end in LF or CR LF; the last line may have no line end; a UTF-8
//   byte-order mark before the first line is skipped;
// - "[name]" opens a section (blanks before "[" and around the name are
//   ignored, anything after the first "]" too); a "[" line without "]" is
//   not a section header;
// - "key=value" is a value: blanks around the key are ignored, the value is
//   everything after the first "=" up to the line end, byte for byte, so a
//   value reads back exactly as it was written;
// - lines starting with ";" or "#" are comments; other lines, and values
//   before the first section, are ignored;
// - when a section or a key appears twice, the first one wins.
//
// Writing replaces only the value bytes of an existing key, so every other
// line, comment, blank line and line end stays as it was. A new key goes
// after the last non-blank line of its section; a new section goes at the
// end of the file after a blank line. New lines get the line end of the
// file's first line (LF for a new file).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A name that can be written as an INI section or key name and read back the
// same: not empty; none of CR, LF, NUL, "[", "]", "="; no ";" or "#" first;
// no blank first or last.
bool IsValidProfileName(std::string_view name);

// The part of a text value that is stored: everything before the first CR,
// LF or NUL. A value can so never add lines of its own to the file.
std::string_view ProfileLine(std::string_view value);

// Names match without regard to ASCII letter case.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

// An integer value as it reads from the text: optional blanks (space, tab),
// an optional sign, then the leading decimal digits; anything after them is
// ignored ("12px" reads as 12). Without a digit (empty, "abc", "- 5") the
// result is defaultValue. A number beyond the int range reads as the nearest
// end of the range.
int ParseProfileInt(std::string_view text, int defaultValue);

// The raw value of the key, or nothing when the section or key is missing.
std::optional<std::string_view> IniFindValue(std::string_view text, std::string_view section,
                                             std::string_view key);

// The text with the key set to value (which must already be one line, and
// the names valid).
std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);
