#pragma once
// Folder and file picking over the shell's namespace: a tree of folders
// from the desktop down, and a list of what the tree's selected folder
// holds. Both walk the namespace through the shell's folder objects, so
// virtual folders appear as the system shows them.
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "Exceptions.h"

// A path names no folder of the namespace.
TVM_DECLARE_EXCEPTION(EInvalidPath, Exception);

// One object of the namespace: a folder, a file, or a virtual item.
class TShellFolder : public TObject {
public:
    // Takes over Absolute, the object's ID list from the desktop.
    TShellFolder(PIDLIST_ABSOLUTE absolute, std::string displayName, ULONG attributes);
    ~TShellFolder() override;
    TShellFolder(const TShellFolder&) = delete;
    TShellFolder& operator=(const TShellFolder&) = delete;
    std::string ClassName() const override { return "TShellFolder"; }

    PCIDLIST_ABSOLUTE AbsoluteID() const { return absolute_; }
    // The file system path; for a virtual object, the name the shell parses.
    std::string PathName() const;
    const std::string& DisplayName() const { return displayName_; }
    bool IsFolder() const { return (attributes_ & SFGAO_FOLDER) != 0; }
    bool IsFileSystem() const { return (attributes_ & SFGAO_FILESYSTEM) != 0; }
    // Its index in the system's small image list.
    int ImageIndex() const;
    // The details of a report view, as Explorer shows them: the size in
    // whole kilobytes rounded up (none for a folder), the type's name, and
    // the last change in the locale's short date and time. Size and time
    // are empty for an object with no file behind it.
    std::string SizeText() const;
    std::string TypeName() const;
    std::string ModifiedText() const;

private:
    PIDLIST_ABSOLUTE absolute_;
    std::string displayName_;
    ULONG attributes_;
};

class TShellListView;

using TShellChangeEvent = std::function<void(TObject* sender, TShellFolder* folder)>;
using TAddFolderEvent = std::function<void(TObject* sender, TShellFolder* folder, bool& canAdd)>;

// Folders only, rooted at the desktop; a node's folders are read when it
// first opens.
class TShellTreeView : public TCommonControl {
public:
    explicit TShellTreeView(TComponent* owner);
    ~TShellTreeView() override;
    std::string ClassName() const override { return "TShellTreeView"; }

    // The selected folder; null before the window exists.
    TShellFolder* SelectedFolder();
    // The selected folder's path.
    std::string Path();
    // Opens the tree down to the folder and selects it; raises EInvalidPath
    // when the path names no folder.
    void SetPath(const std::string& path);

    // The selection changed, by the user or by SetPath.
    TShellChangeEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;

private:
    friend class TShellListView;
    TShellFolder* FolderOf(HTREEITEM item) const;
    HTREEITEM AddNode(HTREEITEM parent, std::unique_ptr<TShellFolder> folder);
    // Reads the node's folders once.
    void Populate(HTREEITEM item);
    void SelectionChanged();

    std::vector<std::unique_ptr<TShellFolder>> folders_;
    std::vector<HTREEITEM> populated_;
    std::vector<TShellListView*> lists_;
};

// What one folder holds, each entry offered to OnAddFolder first, in a
// report of name, size, type and last change.
class TShellListView : public TCommonControl {
public:
    explicit TShellListView(TComponent* owner);
    ~TShellListView() override;
    std::string ClassName() const override { return "TShellListView"; }

    // The list follows the tree's selected folder.
    TShellTreeView* ShellTreeView() const { return tree_; }
    void SetShellTreeView(TShellTreeView* tree);
    // The folder listed; the desktop at first.
    std::string Root();
    // Raises EInvalidPath when the path names no folder.
    void SetRoot(const std::string& path);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool multiSelect);
    // Reads the folder again.
    void Refresh();

    int Count() const { return static_cast<int>(items_.size()); }
    TShellFolder* Folders(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    int SelCount();
    bool Selected(int index);
    void SetSelected(int index, bool selected);

    // Whether an entry is listed; CanAdd starts true.
    TAddFolderEvent OnAddFolder;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    friend class TShellTreeView;
    void ShowFolder(PCIDLIST_ABSOLUTE folder);
    void Fill();

    TShellTreeView* tree_ = nullptr;
    PIDLIST_ABSOLUTE root_ = nullptr;
    bool multiSelect_ = false;
    std::vector<std::unique_ptr<TShellFolder>> items_;
};
