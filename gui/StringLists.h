#pragma once
// Lists of strings, each with an optional object: the abstract list that
// controls and files share, and the stand-alone string list.
#include "Persistent.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TStream;

// Our GetObject is the list's; the system's macro would rename it (GDI
// callers name GetObjectA).
#undef GetObject

// Strings compare without regard to case (the user's locale) unless a list
// says otherwise. "Name=Value" lines are looked up by the name before the
// first "=". Index errors raise EStringListError "List index out of bounds (<index>)".
class TStrings : public TPersistent {
public:
    std::string ClassName() const override { return "TStrings"; }

    // The storage every descendant provides.
    virtual int GetCount() const = 0;
    virtual std::string Get(int index) const = 0;
    // Replaces the text and keeps the object.
    virtual void Put(int index, const std::string& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* object);
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    // Answer the new entry's index.
    virtual int Add(const std::string& s);
    virtual int AddObject(const std::string& s, TObject* object);
    void InsertObject(int index, const std::string& s, TObject* object);
    void AddStrings(const TStrings& strings);
    virtual void Exchange(int index1, int index2);
    // Takes the entry at CurIndex out and puts it back at NewIndex.
    virtual void Move(int curIndex, int newIndex);

    // First index, or -1.
    virtual int IndexOf(const std::string& s) const;
    int IndexOfName(const std::string& name) const;
    int IndexOfObject(const TObject* object) const;

    // The text before the first "=" (empty without one).
    std::string GetName(int index) const;
    // The text after the first "=" of the line named Name; empty when absent.
    std::string GetValue(const std::string& name) const;
    std::string GetValueFromIndex(int index) const;
    // Adds or replaces the line Name=Value; an empty Value deletes the line.
    void SetValue(const std::string& name, const std::string& value);

    // Every line followed by CR LF. Setting splits at CR LF, CR or LF; a
    // final line break gives no empty last line.
    virtual std::string GetText() const;
    virtual void SetText(const std::string& text);

    // Comma text: elements joined by ","; an element holding a blank, a
    // control character, a comma or a double quote is put in double quotes
    // with its quotes doubled; a list of one empty element gives "".
    // Setting also splits at unquoted blanks; a quoted element keeps its
    // commas and blanks.
    std::string GetCommaText() const;
    void SetCommaText(const std::string& text);
    // The same with Delimiter and QuoteChar.
    std::string GetDelimitedText() const;
    void SetDelimitedText(const std::string& text);
    char Delimiter = ',';
    char QuoteChar = '"';

    // Stream loads read from the stream's position to its end; saves write
    // the text.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    // Nested updates; change notices wait for the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    // From another TStrings: texts and objects (the objects are not copied).
    void Assign(const TPersistent* source) override;

protected:
    // Told when the outermost update begins (True) and ends (False).
    virtual void SetUpdateState(bool updating);
    int UpdateCount() const { return updateCount_; }
    // How this list compares texts: <0, 0 or >0.
    virtual int CompareStrings(const std::string& s1, const std::string& s2) const;

private:
    std::string JoinDelimited(char delimiter, char quote) const;
    void SplitDelimited(const std::string& text, char delimiter, char quote);

    int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Compares the entries at two indexes: <0, 0 or >0.
using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

// A list of strings with their objects. A sorted list keeps its order on
// Add and refuses Insert and Put (EStringListError "Operation not allowed on
// sorted list"); Duplicates decides what Add does with an equal string:
// dupIgnore answers the existing index, dupAccept adds it, dupError raises
// EStringListError "String list does not allow duplicates".
// With OwnsObjects the list frees the objects it drops or replaces and holds
// at its end.
class TStringList : public TStrings {
public:
    explicit TStringList(bool ownsObjects = false) : OwnsObjects(ownsObjects) {}
    ~TStringList() override;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;
    std::string ClassName() const override { return "TStringList"; }

    int GetCount() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& s) override;
    int AddObject(const std::string& s, TObject* object) override;
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;
    int IndexOf(const std::string& s) const override;

    // Binary search of a sorted list: True when S is there, Index its first
    // place or where it would go.
    bool Find(const std::string& s, int& index) const;
    // Sorts an unsorted list by CompareStrings; keeps equal entries' order.
    void Sort();
    void CustomSort(const TStringListSortCompare& compare);

    bool GetSorted() const { return sorted_; }
    void SetSorted(bool sorted);
    bool GetCaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);

    TDuplicates Duplicates = dupIgnore;
    bool OwnsObjects;
    // Fired before and after each change, outside updates.
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    void SetUpdateState(bool updating) override;
    int CompareStrings(const std::string& s1, const std::string& s2) const override;
    virtual void Changing();
    virtual void Changed();

private:
    struct Item {
        std::string text;
        TObject* object;
    };

    void CheckIndex(int index) const;
    void CheckUnsorted() const;
    void InsertItem(int index, const std::string& s, TObject* object);
    void ReleaseObject(TObject* object) const;
    void SortItems(const TStringListSortCompare& compare);
    void SortByStrings();

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};
