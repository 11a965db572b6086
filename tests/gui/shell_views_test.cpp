// The shell's tree and list over folders the test makes: the tree opens
// down to a path and raises on a bad one, holds folders only and lays its
// levels out from the left edge, and its list shows what the selected
// folder holds as OnAddFolder filters it, with each entry's details and
// several entries selectable.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "DateTimes.h"
#include "GuiTestSupport.h"
#include "ShellCtrls.h"
#include "SysUtils.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstring>
#include <fstream>

using namespace tvmtest;

namespace {

struct TShellFixture {
    ScratchDir dir;
    TTestForm form{nullptr, 420, 260};
    TShellTreeView tree{&form};
    TShellListView list{&form};
    TMessageLog changes;

    TShellFixture()
    {
        OleInitialize(nullptr);
        for (const char* folder : {"alpha", "beta"}) CreateDirectoryA((dir.Path() + folder).c_str(), nullptr);
        for (const char* file : {"movie.swf", "notes.txt", "clip.flv", "alpha\\inner.swf"})
            std::ofstream(dir.Path() + file) << "x";
        tree.SetBounds(5, 5, 200, 250);
        list.SetBounds(210, 5, 200, 250);
        tree.SetParent(&form);
        list.SetParent(&form);
        list.SetMultiSelect(true);
        list.SetShellTreeView(&tree);
        tree.OnChange = [this](TObject*, TShellFolder* folder) {
            if (folder->IsFolder()) changes.push_back(folder->PathName());
        };
        list.OnAddFolder = [](TObject*, TShellFolder* folder, bool& canAdd) {
            std::string ext = UpperCase(ExtractFileExt(folder->PathName()));
            canAdd = !folder->IsFolder() && (ext == ".SWF" || ext == ".FLV");
        };
        form.Show();
    }

    std::string Folder() const { return ExcludeTrailingPathDelimiter(dir.Path()); }

    std::vector<std::string> Listed()
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.Count(); ++i) names.push_back(ExtractFileName(list.Folders(i)->PathName()));
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Where the tree draws the item's text, in its client area.
RECT TextRect(HWND tree, HTREEITEM item)
{
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

std::string CellText(HWND list, int item, int column)
{
    char text[MAX_PATH] = {};
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = text;
    cell.cchTextMax = MAX_PATH;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell));
    return text;
}

std::string NodeText(HWND tree, HTREEITEM item)
{
    char text[MAX_PATH] = {};
    TVITEMA node{};
    node.mask = TVIF_TEXT;
    node.hItem = item;
    node.pszText = text;
    node.cchTextMax = MAX_PATH;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&node));
    return text;
}

}

TEST(ShellViews, TreeOpensDownToAPathAndTheLinkedListShowsWhatItHolds)
{
    TShellFixture f;
    EXPECT_NE(f.tree.SelectedFolder(), nullptr) << "the desktop is selected at first";
    f.tree.SetPath(f.dir.Path());
    EXPECT_TRUE(AnsiSameText(ExcludeTrailingPathDelimiter(f.tree.Path()), f.Folder())) << f.tree.Path();
    ASSERT_FALSE(f.changes.empty());
    EXPECT_TRUE(AnsiSameText(ExcludeTrailingPathDelimiter(f.changes.back()), f.Folder())) << "OnChange told of it";
    EXPECT_TRUE(AnsiSameText(ExcludeTrailingPathDelimiter(f.list.Root()), f.Folder()));
    EXPECT_EQ(f.Listed(), (std::vector<std::string>{"clip.flv", "movie.swf"})) << "as OnAddFolder let them in";

    // Folders only, and only the folders of the selected one.
    HWND tree = f.tree.Handle();
    HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(selected));
    std::vector<std::string> children;
    for (auto child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(selected)));
         child; child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child))))
        children.push_back(NodeText(tree, child));
    EXPECT_EQ(children, (std::vector<std::string>{"alpha", "beta"}));

    f.tree.SetPath(f.dir.Path() + "alpha");
    EXPECT_EQ(f.Listed(), (std::vector<std::string>{"inner.swf"})) << "the list follows the tree";
}

TEST(ShellViews, BadPathRaisesAndLeavesTheSelection)
{
    TShellFixture f;
    f.tree.SetPath(f.dir.Path());
    const std::string before = f.tree.Path();
    for (const std::string& bad : {f.dir.Path() + "missing", f.dir.Path() + "movie.swf", std::string()}) {
        EXPECT_NE(MessageOf<EInvalidPath>([&] { f.tree.SetPath(bad); }), "no exception") << bad;
        EXPECT_EQ(f.tree.Path(), before);
    }
    EXPECT_NE(MessageOf<EInvalidPath>([&] { f.list.SetRoot(f.dir.Path() + "missing"); }), "no exception");
}

TEST(ShellViews, ListSelectsSeveralEntriesAndRefreshesThroughTheFilter)
{
    TShellFixture f;
    f.tree.SetPath(f.dir.Path());
    ASSERT_EQ(f.list.Count(), 2);
    f.list.SetSelected(0, true);
    f.list.SetSelected(1, true);
    EXPECT_EQ(f.list.SelCount(), 2);
    EXPECT_TRUE(f.list.Selected(1));

    bool swfOnly = true;
    f.list.OnAddFolder = [&](TObject*, TShellFolder* folder, bool& canAdd) {
        canAdd = UpperCase(ExtractFileExt(folder->PathName())) == (swfOnly ? ".SWF" : ".TXT");
    };
    f.list.Refresh();
    EXPECT_EQ(f.Listed(), (std::vector<std::string>{"movie.swf"}));
    swfOnly = false;
    f.list.Refresh();
    EXPECT_EQ(f.Listed(), (std::vector<std::string>{"notes.txt"}));
    EXPECT_EQ(f.list.SelCount(), 0);
}

TEST(ShellViews, TreeLevelsStartAtTheLeftEdgeOneIndentApart)
{
    TShellFixture f;
    f.tree.SetPath(f.dir.Path() + "alpha");
    HWND tree = f.tree.Handle();
    const int indent = static_cast<int>(SendMessageA(tree, TVM_GETINDENT, 0, 0));
    int iconWidth = 0, iconHeight = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)), &iconWidth,
                          &iconHeight);
    HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    const int rootLeft = TextRect(tree, root).left;
    EXPECT_LE(rootLeft, iconWidth + 4) << "the desktop's text follows its icon at the edge, no button before it";

    // From the selected folder up to the desktop, each level one indent less.
    int depth = 0;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)); item != root;
         item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item))))
        ++depth;
    const RECT selected = TextRect(tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
    EXPECT_GE(depth, 2);
    EXPECT_EQ(selected.left, rootLeft + depth * indent);
    RECT client;
    GetClientRect(tree, &client);
    EXPECT_LE(selected.right, client.right) << "the selected folder's name shows whole";
    EXPECT_EQ(NodeText(tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0))), "alpha");
}

TEST(ShellViews, ListShowsEachEntrysSizeTypeAndLastChangeInItsColumns)
{
    TShellFixture f;
    std::ofstream(f.dir.Path() + "empty.txt");
    std::ofstream(f.dir.Path() + "long.txt") << std::string(3000, 'x');
    std::ofstream(f.dir.Path() + "huge.flv") << std::string(2000000, 'x');
    // 4 March 2026, 15:07 local time.
    SYSTEMTIME when{2026, 3, 0, 4, 15, 7, 30, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE movie = CreateFileA((f.dir.Path() + "movie.swf").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(movie, nullptr, nullptr, &utc);
    CloseHandle(movie);
    f.list.OnAddFolder = nullptr;
    f.tree.SetPath(f.dir.Path());

    HWND list = f.list.Handle();
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    std::vector<std::string> titles;
    for (int column = 0; column < Header_GetItemCount(header); ++column) {
        char title[64] = {};
        LVCOLUMNA info{};
        info.mask = LVCF_TEXT;
        info.pszText = title;
        info.cchTextMax = sizeof title;
        SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
        titles.push_back(title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Name", "Size", "Type", "Modified"}));

    auto row = [&](const std::string& name) {
        for (int i = 0; i < f.list.Count(); ++i)
            if (CellText(list, i, 0) == name) return i;
        ADD_FAILURE() << name << " is not listed";
        return 0;
    };
    const std::string folderType = CellText(list, row("alpha"), 2);
    EXPECT_FALSE(folderType.empty());
    EXPECT_EQ(row("alpha"), 0) << "folders come first";
    const struct {
        std::string name;
        std::string size;
    } sizes[] = {
        {"alpha", ""},
        {"empty.txt", "0 KB"},
        {"movie.swf", "1 KB"},
        {"long.txt", "3 KB"},
        {"huge.flv", "1" + std::string(1, FormatSettings().ThousandSeparator) + "954 KB"},
    };
    for (const auto& entry : sizes) {
        const int i = row(entry.name);
        EXPECT_EQ(CellText(list, i, 1), entry.size) << entry.name;
        EXPECT_FALSE(CellText(list, i, 2).empty()) << entry.name;
        EXPECT_FALSE(CellText(list, i, 3).empty()) << entry.name;
        if (entry.size.empty()) continue;
        EXPECT_NE(CellText(list, i, 2), folderType) << entry.name;
    }
    const std::string modified = CellText(list, row("movie.swf"), 3);
    EXPECT_EQ(modified.find(DateToStr(EncodeDate(2026, 3, 4)) + " "), 0u) << modified;
    EXPECT_NE(modified.find("3:07"), std::string::npos) << modified;
}
