// The shell's tree and list over folders the test makes: the tree opens
// down to a path and raises on a bad one, holds folders only, and its list
// shows what the selected folder holds as OnAddFolder filters it, with
// several entries selectable.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "GuiTestSupport.h"
#include "ShellCtrls.h"
#include "SysUtils.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
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
