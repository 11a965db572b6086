#pragma once
// The INI text behind every file the program keeps: read whole into memory,
// answered from memory, written back only when something changed.
#include <cstdint>
#include <string>

#include "Colors.h"
#include "DateTimes.h"
#include "Font.h"
#include "StringLists.h"

// Sections by name; each entry's object is the section's own list of raw
// "key=value" lines, owned here. Look-ups go round from the last hit.
class TSectionList : public TStringList {
public:
    TSectionList() : TStringList(true) {}
    std::string ClassName() const override { return "TSectionList"; }

    // Case-insensitive, starting at the last hit; -1 when missing.
    int FindSection(const std::string& name);
    TStringList* Lines(int index) const { return static_cast<TStringList*>(GetObject(index)); }
    // Appends an empty section and makes it the last hit.
    int AddSection(const std::string& name);
    void ForgetLastHit() { lastHit_ = 0; }

private:
    int lastHit_ = 0;
};

class TFastIniFile : public TObject {
public:
    explicit TFastIniFile(const std::string& fileName);
    TFastIniFile(const TFastIniFile&) = delete;
    TFastIniFile& operator=(const TFastIniFile&) = delete;
    // Writes the file back when modified; a failure there is not reported
    // (call UpdateFile first to hear of it).
    ~TFastIniFile() override;
    std::string ClassName() const override { return "TFastIniFile"; }

    const std::string& FileName() const { return fileName_; }
    bool Modified() const { return modified_; }

    void LoadFile(const std::string& fileName);
    void ClearSections();
    void DeleteKey(const std::string& section, const std::string& ident);
    void EraseSection(const std::string& section);
    // Rewrites the file when modified; EInOutError when that fails.
    void UpdateFile();
    void Flush() { UpdateFile(); }
    bool SectionExists(const std::string& section);
    bool HasSection(const std::string& section) { return SectionExists(section); }
    bool ValueExists(const std::string& section, const std::string& ident);
    void GetAllText(TStrings& strings);

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
    std::string ReadValue(const std::string& section, const std::string& ident, const std::string& def);
    std::string ReadComment(const std::string& section, const std::string& ident, const std::string& def);
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t def);
    bool ReadBool(const std::string& section, const std::string& ident, bool def);
    double ReadFloat(const std::string& section, const std::string& ident, double def);
    TDateTime ReadDate(const std::string& section, const std::string& ident, TDateTime def);
    TDateTime ReadTime(const std::string& section, const std::string& ident, TDateTime def);
    TDateTime ReadDateTime(const std::string& section, const std::string& ident, TDateTime def);
    void ReadSection(const std::string& section, TStrings& strings);
    void ReadSections(TStrings& strings);
    void ReadSectionValues(const std::string& section, TStrings& strings);

    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteValue(const std::string& section, const std::string& ident, const std::string& value)
    {
        WriteString(section, ident, value);
    }
    void WriteComment(const std::string& section, const std::string& ident, const std::string& comment);
    void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    void WriteFloat(const std::string& section, const std::string& ident, double value);
    void WriteDate(const std::string& section, const std::string& ident, TDateTime value);
    void WriteTime(const std::string& section, const std::string& ident, TDateTime value);
    void WriteDateTime(const std::string& section, const std::string& ident, TDateTime value);

protected:
    TStringList* FindLines(const std::string& section);
    TStringList* LinesForWrite(const std::string& section);
    void SetModified() { modified_ = true; }
    void ClearModified() { modified_ = false; }
    TSectionList& Sections() { return sections_; }

private:
    void Bind(const std::string& fileName);
    template <typename Convert>
    TDateTime ReadConverted(const std::string& section, const std::string& ident, TDateTime def, Convert convert);

    TSectionList sections_;
    std::string fileName_;
    bool modified_ = false;
};

class TFastIniFileEx : public TFastIniFile {
public:
    using TFastIniFile::TFastIniFile;
    std::string ClassName() const override { return "TFastIniFileEx"; }

    // Hex pairs into Buffer; answers the bytes filled.
    int ReadBinaryData(const std::string& section, const std::string& ident, void* buffer, int size);
    // EConvertError when the text is not hexadecimal.
    TColor ReadColor(const std::string& section, const std::string& ident, TColor def);
    // A missing key leaves Font as it is.
    void ReadFont(const std::string& section, const std::string& ident, TFont& font);
    void ReadNumberedList(const std::string& section, TStrings& strings, const std::string& def,
                          const std::string& prefix, int startIndex, bool usePrefixedCount);
    void WriteBinaryData(const std::string& section, const std::string& ident, const void* buffer, int size);
    void WriteBoolOrDelete(const std::string& section, const std::string& ident, bool value, bool def);
    void WriteColor(const std::string& section, const std::string& ident, TColor value);
    void WriteFont(const std::string& section, const std::string& ident, TFont& font);
    void WriteNumberedList(const std::string& section, const TStrings& strings, const std::string& prefix,
                           int startIndex, bool usePrefixedCount);
    void WriteSectionValues(const std::string& section, const TStrings& strings);
    void RenameKey(const std::string& section, const std::string& oldIdent, const std::string& newIdent);
    void RenameSection(const std::string& oldName, const std::string& newName);
};

// The program's own INI file: the executable's path with ".ini".
class TAppIniFile : public TFastIniFileEx {
public:
    TAppIniFile() : TFastIniFileEx(GetIniFileName()) {}
    std::string ClassName() const override { return "TAppIniFile"; }
    static std::string GetIniFileName();
};

// Several values packed into one comma-separated value.
class TCommaSeparatedInfo : public TObject {
public:
    std::string GetCommaText() const { return elements_.GetCommaText(); }
    void SetCommaText(const std::string& text) { elements_.SetCommaText(text); }
    int Count() const { return elements_.GetCount(); }

    std::string GetString(int index) const;
    int GetInteger(int index) const;  // -1 when not a number
    bool GetBoolean(int index) const;  // "1"
    TColor GetColor(int index) const;  // hexadecimal, a colour name, else black
    void SetString(int index, const std::string& value);
    void SetInteger(int index, int value) { SetString(index, std::to_string(value)); }
    void SetBoolean(int index, bool value) { SetString(index, value ? "1" : ""); }
    void SetColor(int index, TColor value) { SetString(index, ColorToString(value)); }

private:
    TStringList elements_;
};

// A font as nine elements: name, size, bold, italic, underline, strike-out,
// colour, character set, pitch.
class TCSIFont : public TCommaSeparatedInfo {
public:
    void ToFont(TFont& font) const;
    void FromFont(TFont& font);
};
