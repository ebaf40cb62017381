#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An ini ("profile") file of sections and key=value lines, read and written one key at a time.
// Every call reads the file afresh, so what one call writes the next one sees.
//
// Format: a line "[name]" opens a section; a line "key=value" inside a section sets a key; lines
// whose first non-blank character is ';' are comments. Names and values are taken without their
// surrounding blanks; section and key names match without regard to ASCII case; the first
// matching section and, in it, the first matching key count. Texts are UTF-8 bytes, unchanged.
class ProfileFile
{
  public:
    // The longest text a read gives back, in bytes (what a 256-byte buffer holds).
    static constexpr std::size_t MAX_TEXT = 255;

    explicit ProfileFile(std::string strPath) : m_strPath(std::move(strPath)) {}

    const std::string& Path() const { return m_strPath; }

    // The key's value as a decimal integer: an optional sign and the leading digits, anything after
    // them ignored; 0 when the value does not begin with a number, the default when the file,
    // section or key is missing or the value is empty. Values beyond the int range saturate.
    int GetInt(std::string_view strSection, std::string_view strKey, int nDefault) const;

    // The key's value, or strDefault when the file, section or key is missing; cut to MAX_TEXT
    // bytes, never inside a UTF-8 character.
    std::string GetText(std::string_view strSection, std::string_view strKey,
                        std::string_view strDefault) const;

    // Sets the key to strText, creating the file, the section and the key as needed; every other
    // line of the file stays as it was, byte for byte. The file is replaced whole, never left cut
    // short (a full disk leaves it as it was). False when the file cannot be read or
    // written, or when a name or the text cannot be stored on one line (empty names, line breaks,
    // '=' in a key, ']' in a section name).
    bool WriteText(std::string_view strSection, std::string_view strKey, std::string_view strText) const;

  private:
    std::string m_strPath;
};
