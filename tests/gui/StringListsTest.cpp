#include "Exceptions.h"
#include "GuiTestSupport.h"
#include "Streams.h"
#include "StringLists.h"

#include <gtest/gtest.h>

namespace {

using tvmtest::MessageOf;

using Strings = std::vector<std::string>;

Strings Contents(const TStrings& list)
{
    Strings result;
    for (int i = 0; i < list.GetCount(); ++i) result.push_back(list.Get(i));
    return result;
}

void Fill(TStrings& list, const Strings& strings)
{
    list.Clear();
    for (const std::string& s : strings) list.Add(s);
}

TEST(StringListCommaText, RoundTripsBlanksQuotesAndEmptyElements)
{
    struct Case {
        Strings elements;
        const char* text;
    };
    const Case cases[] = {
        {{"a", "b"}, "a,b"},
        {{"a b", "c"}, "\"a b\",c"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"x,y", "z"}, "\"x,y\",z"},
        {{"tab\there"}, "\"tab\there\""},
        {{"a", "", "b"}, "a,,b"},
        {{"", "a"}, ",a"},
        {{"a", ""}, "a,"},
        {{""}, "\"\""},
        {{"", ""}, ","},
        {{}, ""},
        {{"Arial", "8", "1", "", "", "", "0"}, "Arial,8,1,,,,0"},
        {{"VGA (1:1)", "TV (4:3)"}, "\"VGA (1:1)\",\"TV (4:3)\""},
    };
    TStringList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Fill(list, c.elements);
        EXPECT_EQ(list.GetCommaText(), c.text);
        list.SetCommaText(c.text);
        EXPECT_EQ(Contents(list), c.elements);
    }
}

TEST(StringListCommaText, SettingSplitsAtUnquotedBlanks)
{
    struct Case {
        const char* text;
        Strings elements;
    };
    const Case cases[] = {
        {"a b,c", {"a", "b", "c"}},
        {"  a ,  b  ", {"a", "b"}},
        {"\"a, b\" c", {"a, b", "c"}},
        {"0,4C3FD1E4-3D27-48C8-80F5-72B2D5DAF499", {"0", "4C3FD1E4-3D27-48C8-80F5-72B2D5DAF499"}},
        {"\"open ended", {"open ended"}},
        {"a, ", {"a"}},
        {"\"\"\"\"", {"\""}},
    };
    TStringList list;
    list.Add("old");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        list.SetCommaText(c.text);
        EXPECT_EQ(Contents(list), c.elements);
    }
}

TEST(StringListCommaText, DelimitedTextUsesTheListsCharacters)
{
    TStringList list;
    list.Delimiter = ';';
    list.QuoteChar = '\'';
    Fill(list, {"a,b", "it's", "c d"});
    EXPECT_EQ(list.GetDelimitedText(), "a,b;'it''s';'c d'");
    list.SetDelimitedText("x;'y;z' w");
    EXPECT_EQ(Contents(list), (Strings{"x", "y;z", "w"}));
    EXPECT_EQ(list.GetCommaText(), "x,y;z,w");
}

TEST(StringListNamesValues, LookUpNamesWithoutRegardToCase)
{
    TStringList list;
    Fill(list, {"Source=internal", "plain line", "Path=C:\\a=b", "empty="});
    EXPECT_EQ(list.GetValue("SOURCE"), "internal");
    EXPECT_EQ(list.GetValue("path"), "C:\\a=b");
    EXPECT_EQ(list.GetValue("plain line"), "");
    EXPECT_EQ(list.GetValue("missing"), "");
    EXPECT_EQ(list.IndexOfName("EMPTY"), 3);
    EXPECT_EQ(list.GetName(0), "Source");
    EXPECT_EQ(list.GetName(1), "");
    EXPECT_EQ(list.GetValueFromIndex(2), "C:\\a=b");

    list.SetValue("source", "system");
    EXPECT_EQ(list.Get(0), "source=system");
    list.SetValue("New", "1");
    EXPECT_EQ(list.Get(4), "New=1");
    list.SetValue("PATH", "");
    EXPECT_EQ(Contents(list), (Strings{"source=system", "plain line", "empty=", "New=1"}));
    list.SetValue("absent", "");
    EXPECT_EQ(list.GetCount(), 4);
}

TEST(StringListSearch, IndexOfIgnoresCaseUnlessAsked)
{
    TStringList list;
    Fill(list, {"Alpha", "beta", "BETA"});
    EXPECT_EQ(list.IndexOf("ALPHA"), 0);
    EXPECT_EQ(list.IndexOf("Beta"), 1);
    EXPECT_EQ(list.IndexOf("gamma"), -1);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("ALPHA"), -1);
    EXPECT_EQ(list.IndexOf("BETA"), 2);
}

TEST(StringListSorted, KeepsOrderAndHandlesDuplicates)
{
    TStringList list;
    Fill(list, {"delta", "Bravo", "alpha"});
    list.SetSorted(true);
    EXPECT_EQ(Contents(list), (Strings{"alpha", "Bravo", "delta"}));
    EXPECT_EQ(list.Add("charlie"), 2);
    EXPECT_EQ(list.IndexOf("CHARLIE"), 2);

    // dupIgnore by default: an equal string (any case) answers the existing index.
    EXPECT_EQ(list.Add("BRAVO"), 1);
    EXPECT_EQ(list.GetCount(), 4);

    list.Duplicates = dupAccept;
    list.Add("bravo");
    EXPECT_EQ(list.GetCount(), 5);
    int index = -1;
    EXPECT_TRUE(list.Find("Bravo", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("beta", index));
    EXPECT_EQ(index, 1);

    list.Duplicates = dupError;
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add("ALPHA"); }), "String list does not allow duplicates");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Insert(0, "zulu"); }), "Operation not allowed on sorted list");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Put(0, "zulu"); }), "Operation not allowed on sorted list");
    EXPECT_EQ(list.GetCount(), 5);

    // The locale's order stays alphabetical; case only tells equal words apart.
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.Get(0), "alpha");
    EXPECT_EQ(list.Get(4), "delta");
    EXPECT_EQ(list.IndexOf("BRAVO"), -1);
    EXPECT_NE(list.IndexOf("bravo"), list.IndexOf("Bravo"));
    EXPECT_GT(list.IndexOf("bravo"), 0);
    EXPECT_GT(list.IndexOf("Bravo"), 0);
}

TEST(StringListSorted, CustomSortSeesTheEntries)
{
    TStringList list;
    Fill(list, {"x", "y", "z"});
    int rank[] = {2, 0, 1};
    for (int i = 0; i < 3; ++i) list.PutObject(i, reinterpret_cast<TObject*>(&rank[i]));
    list.CustomSort([](TStringList& l, int a, int b) {
        return *reinterpret_cast<int*>(l.GetObject(a)) - *reinterpret_cast<int*>(l.GetObject(b));
    });
    EXPECT_EQ(Contents(list), (Strings{"y", "z", "x"}));
}

TEST(StringListText, JoinsWithCrLfAndSplitsAtAnyLineBreak)
{
    TStringList list;
    list.SetText("a\r\nb\nc\rd\r\n");
    EXPECT_EQ(Contents(list), (Strings{"a", "b", "c", "d"}));
    list.SetText("a\n\nb");
    EXPECT_EQ(Contents(list), (Strings{"a", "", "b"}));
    EXPECT_EQ(list.GetText(), "a\r\n\r\nb\r\n");
    list.SetText("\r\n");
    EXPECT_EQ(Contents(list), Strings{""});
    list.SetText("");
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetText(), "");
}

TEST(StringListFiles, RoundTripThroughFilesAndStreams)
{
    tvmtest::ScratchDir scratch;
    TStringList list;
    Fill(list, {"[Identifier]", "TasksCount=2", "", "key= value "});
    list.SaveToFile(scratch.Path() + "list.txt");
    TStringList loaded;
    loaded.LoadFromFile(scratch.Path() + "list.txt");
    EXPECT_EQ(Contents(loaded), Contents(list));

    TMemoryStream stream;
    stream.WriteBuffer("skip|one\r\ntwo", 13);
    stream.SetPosition(5);
    loaded.LoadFromStream(stream);
    EXPECT_EQ(Contents(loaded), (Strings{"one", "two"}));
    EXPECT_THROW(loaded.LoadFromFile(scratch.Path() + "missing.txt"), EFOpenError);
}

TEST(StringListEvents, UpdatesGatherChangeNotices)
{
    TStringList list;
    std::string log;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        log += "<";
    };
    list.OnChange = [&](TObject*) { log += ">"; };
    list.Add("a");
    list.Delete(0);
    EXPECT_EQ(log, "<><>");

    log.clear();
    list.BeginUpdate();
    list.Add("a");
    list.BeginUpdate();
    list.SetCommaText("x,y,z");
    list.EndUpdate();
    EXPECT_EQ(log, "<");
    list.EndUpdate();
    EXPECT_EQ(log, "<>");

    log.clear();
    list.Clear();
    list.Clear();  // nothing left to change
    EXPECT_EQ(log, "<>");
}

// Counts the instances alive, to see who frees them.
class Counted : public TObject {
public:
    explicit Counted(int& alive) : alive_(alive) { ++alive_; }
    ~Counted() override { --alive_; }

private:
    int& alive_;
};

TEST(StringListObjects, AnOwningListFreesWhatItDrops)
{
    int alive = 0;
    {
        TStringList owner(true);
        owner.AddObject("a", new Counted(alive));
        owner.AddObject("b", new Counted(alive));
        owner.AddObject("c", new Counted(alive));
        owner.AddObject("d", new Counted(alive));
        owner.Move(0, 3);
        owner.Exchange(0, 1);
        EXPECT_EQ(alive, 4);
        owner.Delete(0);
        EXPECT_EQ(alive, 3);
        owner.PutObject(0, new Counted(alive));
        EXPECT_EQ(alive, 3);
        owner.Clear();
        EXPECT_EQ(alive, 0);
        owner.AddObject("e", new Counted(alive));
    }
    EXPECT_EQ(alive, 0);

    Counted kept(alive);
    {
        TStringList borrower;
        borrower.AddObject("k", &kept);
    }
    EXPECT_EQ(alive, 1);
}

TEST(StringListObjects, AssignCopiesTextsAndObjectPointers)
{
    int alive = 0;
    Counted object(alive);
    TStringList source, copy;
    source.AddObject("one", &object);
    source.Add("two");
    copy.Add("old");
    copy.Assign(&source);
    EXPECT_EQ(Contents(copy), (Strings{"one", "two"}));
    EXPECT_EQ(copy.GetObject(0), &object);
    EXPECT_EQ(copy.IndexOfObject(&object), 0);

    copy.AddStrings(source);
    EXPECT_EQ(copy.GetCount(), 4);
    copy.Move(3, 0);
    EXPECT_EQ(Contents(copy), (Strings{"two", "one", "two", "one"}));
    EXPECT_EQ(copy.GetObject(1), &object);
}

TEST(StringListErrors, IndexErrorsNameTheIndex)
{
    TStringList list;
    list.Add("only");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Get(1); }), "List index out of bounds (1)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Insert(2, "x"); }), "List index out of bounds (2)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.GetObject(3); }), "List index out of bounds (3)");
    list.Insert(1, "end");
    EXPECT_EQ(Contents(list), (Strings{"only", "end"}));
}

}
