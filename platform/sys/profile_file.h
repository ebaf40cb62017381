#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An ini ("profile") file of sections and key=value lines. The file is read once, when the object
// is made; keys are then read and set in memory, and Save writes the file back whole.
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
    // The largest file read, far above any real settings file.
    static constexpr std::size_t MAX_FILE_BYTES = 4 << 20;

    // Reads strPath; a missing file reads as empty. A file that is not a regular file or is larger
    // than MAX_FILE_BYTES is not read, nor is one that cannot be read: then every key takes its
    // default and Save writes nothing, so nothing in it is lost. Nothing is printed: Error() says why.
    explicit ProfileFile(std::string strPath);

    const std::string& Path() const { return m_strPath; }
    // Whether the file was read (or is missing), so that it may be written.
    bool IsUsable() const { return m_bUsable; }
    // Why the file was not read, or why the last Save failed, in words fit for the user.
    const std::string& Error() const { return m_strError; }

    // The key's value as a decimal integer: an optional sign and the leading digits, anything after
    // them ignored; 0 when the value does not begin with a number, the default when the file,
    // section or key is missing or the value is empty. Values beyond the int range saturate.
    int GetInt(std::string_view strSection, std::string_view strKey, int nDefault) const;

    // The key's value, or strDefault when the file, section or key is missing; cut to MAX_TEXT
    // bytes, never inside a UTF-8 character.
    std::string GetText(std::string_view strSection, std::string_view strKey,
                        std::string_view strDefault) const;

    // Sets the key to strText, adding the section and the key as needed; every other line stays as
    // it was, byte for byte. False when the file is not usable, or when a name or the text cannot
    // be stored on one line (empty names, line breaks, '=' in a key, ']' in a section name).
    bool SetText(std::string_view strSection, std::string_view strKey, std::string_view strText);

    // Writes the file, creating it when missing, replaced whole and on the disk before it takes
    // the old one's place (a full disk leaves it as it was). A link is followed where the kernel
    // would follow it, and the file it points to is written. False when the file is not usable or
    // could not be written.
    bool Save();

  private:
    std::string m_strPath;
    std::string m_strText; // the file's bytes, with what was set
    bool m_bUsable = false;
    std::string m_strError; // why it was not read, or the last Save failed
};
