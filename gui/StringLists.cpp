#include "StringLists.h"

#include "Exceptions.h"
#include "Streams.h"
#include "SysUtils.h"

#include <algorithm>
#include <numeric>

namespace {

// Runs Change inside an update of List, ending the update on every path.
void WithinUpdate(TStrings& list, const std::function<void()>& change)
{
    list.BeginUpdate();
    try {
        change();
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

[[noreturn]] void IndexOutOfBounds(int index)
{
    throw EStringListError(Format("List index out of bounds (%d)", index));
}

}

// ---- TStrings ----

void TStrings::Put(int index, const std::string& s)
{
    WithinUpdate(*this, [&] {
        TObject* object = GetObject(index);
        Delete(index);
        InsertObject(index, s, object);
    });
}

TObject* TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject*)
{
}

int TStrings::Add(const std::string& s)
{
    int index = GetCount();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const std::string& s, TObject* object)
{
    int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object)
{
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::AddStrings(const TStrings& strings)
{
    WithinUpdate(*this, [&] {
        for (int i = 0, n = strings.GetCount(); i < n; ++i) AddObject(strings.Get(i), strings.GetObject(i));
    });
}

void TStrings::Exchange(int index1, int index2)
{
    WithinUpdate(*this, [&] {
        std::string text = Get(index1);
        TObject* object = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, text);
        PutObject(index2, object);
    });
}

void TStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    WithinUpdate(*this, [&] {
        std::string text = Get(curIndex);
        TObject* object = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, text, object);
    });
}

int TStrings::IndexOf(const std::string& s) const
{
    for (int i = 0, n = GetCount(); i < n; ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& name) const
{
    for (int i = 0, n = GetCount(); i < n; ++i) {
        std::string line = Get(i);
        size_t equals = line.find('=');
        if (equals != std::string::npos && CompareStrings(line.substr(0, equals), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const
{
    for (int i = 0, n = GetCount(); i < n; ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

std::string TStrings::GetName(int index) const
{
    std::string line = Get(index);
    size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string TStrings::GetValueFromIndex(int index) const
{
    std::string line = Get(index);
    size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::string TStrings::GetValue(const std::string& name) const
{
    int index = IndexOfName(name);
    return index < 0 ? std::string() : GetValueFromIndex(index);
}

void TStrings::SetValue(const std::string& name, const std::string& value)
{
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
    } else if (index < 0) {
        Add(name + "=" + value);
    } else {
        Put(index, name + "=" + value);
    }
}

std::string TStrings::GetText() const
{
    std::string text;
    for (int i = 0, n = GetCount(); i < n; ++i) text += Get(i) + "\r\n";
    return text;
}

void TStrings::SetText(const std::string& text)
{
    WithinUpdate(*this, [&] {
        Clear();
        for (const std::string& line : SplitLines(text)) Add(line);
    });
}

std::string TStrings::JoinDelimited(char delimiter, char quote) const
{
    int count = GetCount();
    if (count == 1 && Get(0).empty()) return std::string(2, quote);
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += delimiter;
        std::string element = Get(i);
        bool quoted = std::any_of(element.begin(), element.end(),
                                  [&](char c) { return IsBlank(c) || c == quote || c == delimiter; });
        if (!quoted) {
            text += element;
            continue;
        }
        text += quote;
        for (char c : element) {
            if (c == quote) text += quote;
            text += c;
        }
        text += quote;
    }
    return text;
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quote)
{
    size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
    };
    auto quotedElement = [&] {
        std::string element;
        for (++pos; pos < text.size(); ++pos) {
            if (text[pos] != quote) {
                element += text[pos];
            } else if (pos + 1 < text.size() && text[pos + 1] == quote) {
                element += quote;
                ++pos;
            } else {
                ++pos;
                break;
            }
        }
        return element;
    };
    auto plainElement = [&] {
        size_t start = pos;
        while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != delimiter) ++pos;
        return text.substr(start, pos - start);
    };
    WithinUpdate(*this, [&] {
        Clear();
        skipBlanks();
        while (pos < text.size()) {
            Add(text[pos] == quote ? quotedElement() : plainElement());
            skipBlanks();
            if (pos < text.size() && text[pos] == delimiter) {
                // A delimiter at the very end closes one more, empty element.
                if (pos + 1 == text.size()) Add(std::string());
                ++pos;
                skipBlanks();
            }
        }
    });
}

std::string TStrings::GetCommaText() const
{
    return JoinDelimited(',', '"');
}

void TStrings::SetCommaText(const std::string& text)
{
    SplitDelimited(text, ',', '"');
}

std::string TStrings::GetDelimitedText() const
{
    return JoinDelimited(Delimiter, QuoteChar);
}

void TStrings::SetDelimitedText(const std::string& text)
{
    SplitDelimited(text, Delimiter, QuoteChar);
}

void TStrings::LoadFromStream(TStream& stream)
{
    std::string text(static_cast<size_t>(std::max<int64_t>(stream.GetSize() - stream.GetPosition(), 0)), '\0');
    stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
    SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const
{
    std::string text = GetText();
    stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::SaveToFile(const std::string& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TStrings::BeginUpdate()
{
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent* source)
{
    const TStrings* strings = dynamic_cast<const TStrings*>(source);
    if (!strings) {
        TPersistent::Assign(source);
        return;
    }
    if (strings == this) return;
    WithinUpdate(*this, [&] {
        Clear();
        AddStrings(*strings);
    });
}

void TStrings::SetUpdateState(bool)
{
}

int TStrings::CompareStrings(const std::string& s1, const std::string& s2) const
{
    return AnsiCompareText(s1, s2);
}

// ---- TStringList ----

TStringList::~TStringList()
{
    for (Item& item : items_) ReleaseObject(item.object);
}

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= GetCount()) IndexOutOfBounds(index);
}

void TStringList::CheckUnsorted() const
{
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::ReleaseObject(TObject* object) const
{
    if (OwnsObjects) delete object;
}

std::string TStringList::Get(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& s)
{
    CheckUnsorted();
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].text = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object)
{
    CheckIndex(index);
    Changing();
    TObject* old = items_[static_cast<size_t>(index)].object;
    items_[static_cast<size_t>(index)].object = object;
    if (old != object) ReleaseObject(old);
    Changed();
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object)
{
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

void TStringList::Insert(int index, const std::string& s)
{
    CheckUnsorted();
    if (index < 0 || index > GetCount()) IndexOutOfBounds(index);
    InsertItem(index, s, nullptr);
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    TObject* object = items_[static_cast<size_t>(index)].object;
    items_.erase(items_.begin() + index);
    ReleaseObject(object);
    Changed();
}

void TStringList::Clear()
{
    if (items_.empty()) return;
    Changing();
    std::vector<Item> dropped;
    dropped.swap(items_);
    for (Item& item : dropped) ReleaseObject(item.object);
    Changed();
}

int TStringList::Add(const std::string& s)
{
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const std::string& s, TObject* object)
{
    int index = GetCount();
    if (sorted_ && Find(s, index)) {
        if (Duplicates == dupIgnore) return index;
        if (Duplicates == dupError) throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Exchange(int index1, int index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    CheckUnsorted();
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    Item item = std::move(items_[static_cast<size_t>(curIndex)]);
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, std::move(item));
    Changed();
}

int TStringList::IndexOf(const std::string& s) const
{
    if (!sorted_) return TStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const std::string& s, int& index) const
{
    int low = 0, high = GetCount() - 1;
    bool found = false;
    while (low <= high) {
        int middle = (low + high) / 2;
        int order = CompareStrings(items_[static_cast<size_t>(middle)].text, s);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            found = found || order == 0;
        }
    }
    index = low;
    return found;
}

void TStringList::SortItems(const TStringListSortCompare& compare)
{
    Changing();
    // The comparer sees the list unchanged; the new order is applied at the end.
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
    items_.swap(sorted);
    Changed();
}

void TStringList::SortByStrings()
{
    SortItems([this](TStringList&, int index1, int index2) {
        return CompareStrings(items_[static_cast<size_t>(index1)].text, items_[static_cast<size_t>(index2)].text);
    });
}

void TStringList::Sort()
{
    if (!sorted_ && GetCount() > 1) SortByStrings();
}

void TStringList::CustomSort(const TStringListSortCompare& compare)
{
    if (!sorted_ && GetCount() > 1) SortItems(compare);
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive)
{
    if (caseSensitive == caseSensitive_) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) SortByStrings();
}

void TStringList::SetUpdateState(bool updating)
{
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const std::string& s1, const std::string& s2) const
{
    return caseSensitive_ ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}
