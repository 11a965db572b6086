#include "FastIni.h"

#include <windows.h>

#include <algorithm>

#include "Exceptions.h"
#include "IniText.h"
#include "NumberParse.h"
#include "SysUtils.h"

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return AnsiSameText(std::string(a), std::string(b));
}

// Index of the line whose text before its first "=" is Ident, or -1.
int FindKey(const TStringList& lines, const std::string& ident)
{
    return FindIniKey(lines.GetCount(), [&](int i) { return lines.Get(i); }, ident, SameName);
}

[[noreturn]] void RaiseInOutError(const std::string& fileName)
{
    DWORD code = GetLastError();
    throw EInOutError(SysErrorMessage(code) + " (" + fileName + ")", code);
}

std::string ReadWholeFile(const std::string& fileName)
{
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) RaiseInOutError(fileName);
    std::string text;
    char buffer[28672];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    if (!ok) RaiseInOutError(fileName);
    return text;
}

void WriteWholeFile(const std::string& fileName, const std::string& text)
{
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) RaiseInOutError(fileName);
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != text.size()) RaiseInOutError(fileName);
}

}

int TSectionList::FindSection(const std::string& name)
{
    const int count = GetCount();
    for (int step = 0; step < count; ++step) {
        int index = (lastHit_ + step) % count;
        if (AnsiSameText(Get(index), name)) {
            lastHit_ = index;
            return index;
        }
    }
    return -1;
}

int TSectionList::AddSection(const std::string& name)
{
    lastHit_ = AddObject(name, new TStringList);
    return lastHit_;
}

TFastIniFile::TFastIniFile(const std::string& fileName)
{
    Bind(fileName);
}

TFastIniFile::~TFastIniFile()
{
    try {
        UpdateFile();
    } catch (...) {
    }
}

void TFastIniFile::Bind(const std::string& fileName)
{
    UpdateFile();
    ClearSections();
    fileName_ = fileName;
    modified_ = false;
    // Loading may drop duplicate sections and so leave the object modified.
    if (!fileName.empty()) LoadFile(fileName);
}

void TFastIniFile::LoadFile(const std::string& fileName)
{
    if (!FileExists(fileName)) return;
    bool dropped = false;
    for (TIniSection& section : ParseIniText(ReadWholeFile(fileName), SameName, AnsiTextHash, dropped)) {
        TStringList* lines = sections_.Lines(sections_.AddSection(section.Name));
        for (const std::string& line : section.Lines) lines->Add(line);
    }
    // Of sections with the same name the first in the file is kept.
    if (dropped) modified_ = true;
    sections_.ForgetLastHit();
}

void TFastIniFile::ClearSections()
{
    sections_.Clear();
    sections_.ForgetLastHit();
}

TStringList* TFastIniFile::FindLines(const std::string& section)
{
    int index = sections_.FindSection(section);
    return index < 0 ? nullptr : sections_.Lines(index);
}

TStringList* TFastIniFile::LinesForWrite(const std::string& section)
{
    if (TStringList* lines = FindLines(section)) return lines;
    return sections_.Lines(sections_.AddSection(section));
}

void TFastIniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    TStringList* lines = LinesForWrite(section);
    int index = FindKey(*lines, ident);
    if (index < 0) return;
    lines->Delete(index);
    modified_ = true;
}

void TFastIniFile::EraseSection(const std::string& section)
{
    int index = sections_.FindSection(section);
    if (index < 0) return;
    sections_.Delete(index);
    sections_.ForgetLastHit();
    modified_ = true;
}

void TFastIniFile::UpdateFile()
{
    if (!modified_ || fileName_.empty()) return;
    TStringList text;
    GetAllText(text);
    WriteWholeFile(fileName_, text.GetText());
    modified_ = false;
}

bool TFastIniFile::SectionExists(const std::string& section)
{
    return FindLines(section) != nullptr;
}

bool TFastIniFile::ValueExists(const std::string& section, const std::string& ident)
{
    TStringList* lines = FindLines(section);
    return lines && FindKey(*lines, ident) >= 0;
}

void TFastIniFile::GetAllText(TStrings& strings)
{
    for (int i = 0; i < sections_.GetCount(); ++i) {
        TStringList* lines = sections_.Lines(i);
        if (lines->GetCount() == 0) continue;
        strings.Add("[" + sections_.Get(i) + "]");
        strings.AddStrings(*lines);
        strings.Add("");
    }
}

std::string TFastIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def)
{
    TStringList* lines = FindLines(section);
    int index = lines ? FindKey(*lines, ident) : -1;
    return index < 0 ? def : CutIniComment(IniLineValue(lines->Get(index)));
}

std::string TFastIniFile::ReadValue(const std::string& section, const std::string& ident, const std::string& def)
{
    TStringList* lines = FindLines(section);
    if (!lines) return def;
    int index = FindKey(*lines, ident);
    return index < 0 ? std::string() : CutIniComment(IniLineValue(lines->Get(index)));
}

std::string TFastIniFile::ReadComment(const std::string& section, const std::string& ident, const std::string& def)
{
    TStringList* lines = FindLines(section);
    int index = lines ? FindKey(*lines, ident) : -1;
    if (index < 0) return def;
    std::string comment;
    return FindIniComment(IniLineValue(lines->Get(index)), comment) ? comment : std::string();
}

int32_t TFastIniFile::ReadInteger(const std::string& section, const std::string& ident, int32_t def)
{
    int32_t value;
    return ParseIniInteger(ReadString(section, ident, ""), value) ? value : def;
}

bool TFastIniFile::ReadBool(const std::string& section, const std::string& ident, bool def)
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TFastIniFile::ReadFloat(const std::string& section, const std::string& ident, double def)
{
    double value;
    const std::string text = ReadString(section, ident, "");
    return !text.empty() && TryStrToFloat(text, value) ? value : def;
}

template <typename Convert>
TDateTime TFastIniFile::ReadConverted(const std::string& section, const std::string& ident, TDateTime def,
                                      Convert convert)
{
    TDateTime value;
    const std::string text = ReadString(section, ident, "");
    return !text.empty() && convert(text, value) ? value : def;
}

TDateTime TFastIniFile::ReadDate(const std::string& section, const std::string& ident, TDateTime def)
{
    return ReadConverted(section, ident, def, TryStrToDate);
}

TDateTime TFastIniFile::ReadTime(const std::string& section, const std::string& ident, TDateTime def)
{
    return ReadConverted(section, ident, def, TryStrToTime);
}

TDateTime TFastIniFile::ReadDateTime(const std::string& section, const std::string& ident, TDateTime def)
{
    return ReadConverted(section, ident, def, TryStrToDateTime);
}

void TFastIniFile::ReadSection(const std::string& section, TStrings& strings)
{
    TStringList* lines = FindLines(section);
    if (!lines) return;
    for (int i = 0; i < lines->GetCount(); ++i) {
        const std::string line = lines->Get(i);
        size_t eq = line.find('=');
        if (eq != std::string::npos) strings.Add(line.substr(0, eq));
    }
}

void TFastIniFile::ReadSections(TStrings& strings)
{
    strings.BeginUpdate();
    strings.Clear();
    for (int i = 0; i < sections_.GetCount(); ++i) strings.Add(sections_.Get(i));
    strings.EndUpdate();
}

void TFastIniFile::ReadSectionValues(const std::string& section, TStrings& strings)
{
    if (TStringList* lines = FindLines(section)) strings.AddStrings(*lines);
}

void TFastIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    if (ident.empty()) {
        if (!section.empty() || !value.empty())
            EraseSection(section);
        else
            UpdateFile();
        return;
    }
    TStringList* lines = LinesForWrite(section);
    int index = FindKey(*lines, ident);
    if (index < 0) {
        lines->Add(ident + "=" + value);
        modified_ = true;
        return;
    }
    const std::string old = lines->Get(index);
    const std::string oldValue = IniLineValue(old);
    size_t mark = oldValue.find(kIniCommentMark);
    std::string line = ident + "=" + value + (mark == std::string::npos ? std::string() : oldValue.substr(mark));
    if (line == old) return;
    lines->Put(index, line);
    modified_ = true;
}

void TFastIniFile::WriteComment(const std::string& section, const std::string& ident, const std::string& comment)
{
    if (ident.empty()) {
        WriteString(section, ident, comment);
        return;
    }
    TStringList* lines = FindLines(section);
    int index = lines ? FindKey(*lines, ident) : -1;
    if (index < 0) return;
    std::string line = lines->Get(index);
    size_t eq = line.find('=');
    size_t mark = line.find(kIniCommentMark, eq);
    if (mark != std::string::npos) line.erase(mark);
    if (!comment.empty()) line += kIniCommentMark + comment;
    lines->Put(index, line);
    modified_ = true;
}

void TFastIniFile::WriteInteger(const std::string& section, const std::string& ident, int32_t value)
{
    WriteString(section, ident, IntToStr(value));
}

void TFastIniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

void TFastIniFile::WriteFloat(const std::string& section, const std::string& ident, double value)
{
    WriteString(section, ident, FloatToStr(value));
}

void TFastIniFile::WriteDate(const std::string& section, const std::string& ident, TDateTime value)
{
    WriteString(section, ident, DateToStr(value));
}

void TFastIniFile::WriteTime(const std::string& section, const std::string& ident, TDateTime value)
{
    WriteString(section, ident, TimeToStr(value));
}

void TFastIniFile::WriteDateTime(const std::string& section, const std::string& ident, TDateTime value)
{
    WriteString(section, ident, DateTimeToStr(value));
}

int TFastIniFileEx::ReadBinaryData(const std::string& section, const std::string& ident, void* buffer, int size)
{
    const std::string text = ReadValue(section, ident, "");
    const int count = std::min(static_cast<int>(text.size() / 2), size);
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (int i = 0; i < count; ++i) {
        const int high = HexDigitValue(text[2 * i]), low = HexDigitValue(text[2 * i + 1]);
        bytes[i] = high >= 0 && low >= 0 ? static_cast<uint8_t>(high << 4 | low) : 0;
    }
    return std::max(count, 0);
}

TColor TFastIniFileEx::ReadColor(const std::string& section, const std::string& ident, TColor def)
{
    const std::string text = ReadString(section, ident, IntToHex(static_cast<uint32_t>(def), 8));
    uint32_t value;
    if (!ParseIniHex(text, value)) throw EConvertError("'" + text + "' is not a valid hexadecimal colour");
    return static_cast<TColor>(value);
}

void TFastIniFileEx::ReadFont(const std::string& section, const std::string& ident, TFont& font)
{
    if (!ValueExists(section, ident)) return;
    TCSIFont packed;
    packed.SetCommaText(ReadString(section, ident, ""));
    packed.ToFont(font);
}

void TFastIniFileEx::ReadNumberedList(const std::string& section, TStrings& strings, const std::string& def,
                                      const std::string& prefix, int startIndex, bool usePrefixedCount)
{
    const int count = ReadInteger(section, usePrefixedCount ? prefix + "Count" : "Count", 0);
    for (int i = 0; i < count; ++i) strings.Add(ReadString(section, prefix + IntToStr(i + startIndex), def));
}

void TFastIniFileEx::WriteBinaryData(const std::string& section, const std::string& ident, const void* buffer,
                                     int size)
{
    std::string text;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    for (int i = 0; i < size; ++i) text += IntToHex(bytes[i], 2);
    WriteValue(section, ident, text);
}

void TFastIniFileEx::WriteBoolOrDelete(const std::string& section, const std::string& ident, bool value, bool def)
{
    if (value == def)
        DeleteKey(section, ident);
    else
        WriteBool(section, ident, value);
}

void TFastIniFileEx::WriteColor(const std::string& section, const std::string& ident, TColor value)
{
    WriteString(section, ident, IntToHex(static_cast<uint32_t>(value), 8));
}

void TFastIniFileEx::WriteFont(const std::string& section, const std::string& ident, TFont& font)
{
    TCSIFont packed;
    packed.FromFont(font);
    WriteString(section, ident, packed.GetCommaText());
}

void TFastIniFileEx::WriteNumberedList(const std::string& section, const TStrings& strings, const std::string& prefix,
                                       int startIndex, bool usePrefixedCount)
{
    const bool wasModified = Modified();
    TStringList* lines = LinesForWrite(section);
    const std::string before = lines->GetText();
    const std::string countKey = usePrefixedCount ? prefix + "Count" : "Count";
    const int oldCount = ReadInteger(section, countKey, 0);
    WriteInteger(section, countKey, strings.GetCount());
    for (int i = 0; i < oldCount; ++i) DeleteKey(section, prefix + IntToStr(i + startIndex));
    for (int i = 0; i < strings.GetCount(); ++i) WriteString(section, prefix + IntToStr(i + startIndex), strings.Get(i));
    if (!wasModified && LinesForWrite(section)->GetText() == before) ClearModified();
}

void TFastIniFileEx::WriteSectionValues(const std::string& section, const TStrings& strings)
{
    TStringList* lines = FindLines(section);
    if (!lines) {
        if (strings.GetCount() == 0) return;
        LinesForWrite(section)->AddStrings(strings);
        SetModified();
        return;
    }
    if (lines->GetCount() == strings.GetCount()) {
        for (int i = 0; i < strings.GetCount(); ++i) {
            if (lines->Get(i) == strings.Get(i)) continue;
            lines->Put(i, strings.Get(i));
            SetModified();
        }
        return;
    }
    lines->Assign(&strings);
    SetModified();
}

void TFastIniFileEx::RenameKey(const std::string& section, const std::string& oldIdent, const std::string& newIdent)
{
    if (oldIdent == newIdent || !ValueExists(section, oldIdent)) return;
    const std::string value = ReadString(section, oldIdent, "");
    WriteString(section, newIdent, value);
    DeleteKey(section, oldIdent);
}

void TFastIniFileEx::RenameSection(const std::string& oldName, const std::string& newName)
{
    if (oldName == newName) return;
    int index = Sections().FindSection(oldName);
    if (index < 0) return;
    Sections().Put(index, newName);
    SetModified();
}

std::string TAppIniFile::GetIniFileName()
{
    std::string exe = ParamStr(0);
    TSearchRec found;
    if (FindFirst(exe, faAnyFile, found) == 0) exe = ExtractFilePath(exe) + found.Name;
    return ChangeFileExt(exe, ".ini");
}

std::string TCommaSeparatedInfo::GetString(int index) const
{
    return index >= 0 && index < elements_.GetCount() ? elements_.Get(index) : std::string();
}

int TCommaSeparatedInfo::GetInteger(int index) const
{
    int value;
    return TryStrToInt(GetString(index), value) ? value : -1;
}

bool TCommaSeparatedInfo::GetBoolean(int index) const
{
    return GetString(index) == "1";
}

TColor TCommaSeparatedInfo::GetColor(int index) const
{
    std::string text = GetString(index);
    uint32_t value;
    if (ParseIniHex(text.starts_with("$") ? text.substr(1) : text, value)) return static_cast<TColor>(value);
    TColor named;
    return IdentToColor(text, named) ? named : clBlack;
}

void TCommaSeparatedInfo::SetString(int index, const std::string& value)
{
    if (index < 0) return;
    while (elements_.GetCount() <= index) elements_.Add("");
    elements_.Put(index, value);
}

void TCSIFont::ToFont(TFont& font) const
{
    font.SetName(GetString(0));
    if (int size = GetInteger(1); size > 0) font.SetSize(size);
    TFontStyles style = 0;
    const TFontStyles bits[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4; ++i)
        if (GetBoolean(2 + i)) style |= bits[i];
    font.SetStyle(style);
    font.SetColor(GetColor(6));
    if (int charset = GetInteger(7); charset >= 0) font.SetCharset(static_cast<BYTE>(charset));
    if (int pitch = GetInteger(8); pitch >= fpDefault && pitch <= fpFixed) font.SetPitch(static_cast<TFontPitch>(pitch));
}

void TCSIFont::FromFont(TFont& font)
{
    SetString(0, font.GetName());
    SetInteger(1, font.GetSize());
    const TFontStyles bits[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4; ++i) SetBoolean(2 + i, (font.GetStyle() & bits[i]) != 0);
    SetColor(6, font.GetColor());
    SetInteger(7, font.GetCharset());
    SetInteger(8, font.GetPitch());
}
