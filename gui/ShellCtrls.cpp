#include "ShellCtrls.h"

#include <commctrl.h>
#include <wrl/client.h>

#include <algorithm>

#include "DateTimes.h"
#include "SysUtils.h"

using Microsoft::WRL::ComPtr;

namespace {

struct TIdListFree {
    void operator()(ITEMIDLIST* list) const { ILFree(list); }
};
using TIdList = std::unique_ptr<ITEMIDLIST, TIdListFree>;

// The text of a name the shell answered; a wide string it allocated is freed.
std::string StrRetText(STRRET& name, PCUITEMID_CHILD child)
{
    switch (name.uType) {
    case STRRET_WSTR: {
        std::string text = WideToAnsi(name.pOleStr);
        CoTaskMemFree(name.pOleStr);
        return text;
    }
    case STRRET_OFFSET:
        return reinterpret_cast<const char*>(child) + name.uOffset;
    case STRRET_CSTR:
        return name.cStr;
    }
    return {};
}

ComPtr<IShellFolder> Desktop()
{
    ComPtr<IShellFolder> desktop;
    OleCheck(SHGetDesktopFolder(&desktop));
    return desktop;
}

TIdList DesktopID()
{
    PIDLIST_ABSOLUTE desktop = nullptr;
    OleCheck(SHGetFolderLocation(nullptr, CSIDL_DESKTOP, nullptr, 0, &desktop));
    return TIdList(desktop);
}

// The folder object of an ID list from the desktop; null when it is none.
ComPtr<IShellFolder> BindFolder(PCIDLIST_ABSOLUTE folder)
{
    ComPtr<IShellFolder> desktop = Desktop();
    if (folder->mkid.cb == 0) return desktop;
    ComPtr<IShellFolder> bound;
    if (FAILED(desktop->BindToObject(folder, nullptr, IID_IShellFolder, reinterpret_cast<void**>(bound.GetAddressOf()))))
        return nullptr;
    return bound;
}

std::string PathOf(PCIDLIST_ABSOLUTE object)
{
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(object, path)) return path;
    STRRET name{};
    if (FAILED(Desktop()->GetDisplayNameOf(object, SHGDN_FORPARSING, &name))) return {};
    return StrRetText(name, ILFindLastID(object));
}

// The entries of the folder, in the shell's order.
std::vector<std::unique_ptr<TShellFolder>> Enumerate(PCIDLIST_ABSOLUTE parent, SHCONTF flags)
{
    std::vector<std::unique_ptr<TShellFolder>> result;
    ComPtr<IShellFolder> folder = BindFolder(parent);
    ComPtr<IEnumIDList> entries;
    if (!folder || folder->EnumObjects(nullptr, flags, &entries) != S_OK || !entries) return result;
    std::vector<TIdList> children;
    PITEMID_CHILD child = nullptr;
    while (entries->Next(1, &child, nullptr) == S_OK) children.emplace_back(child);
    std::sort(children.begin(), children.end(), [&](const TIdList& a, const TIdList& b) {
        return static_cast<short>(HRESULT_CODE(folder->CompareIDs(0, a.get(), b.get()))) < 0;
    });
    for (const TIdList& entry : children) {
        PCUITEMID_CHILD id = entry.get();
        ULONG attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM;
        if (FAILED(folder->GetAttributesOf(1, &id, &attributes))) attributes = 0;
        STRRET name{};
        std::string display;
        // A drive without a label may come with a leading blank: " (C:)".
        if (SUCCEEDED(folder->GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_NORMAL, &name)))
            display = Trim(StrRetText(name, id));
        result.push_back(std::make_unique<TShellFolder>(ILCombine(parent, id), display, attributes));
    }
    return result;
}

// The ID list of the folder the path names; raises EInvalidPath otherwise.
TIdList ParseFolder(const std::string& path)
{
    PIDLIST_ABSOLUTE parsed = nullptr;
    SFGAOF attributes = 0;
    if (!path.empty() && SUCCEEDED(SHParseDisplayName(AnsiToWide(path).c_str(), nullptr, &parsed, SFGAO_FOLDER, &attributes)) &&
        parsed) {
        TIdList folder(parsed);
        // A file system path answers for itself; the shell may report a
        // file it can open like a folder (an archive) as one.
        char fileSystemPath[MAX_PATH] = {};
        bool isFolder = SHGetPathFromIDListA(parsed, fileSystemPath)
                            ? (GetFileAttributesA(fileSystemPath) & FILE_ATTRIBUTE_DIRECTORY) &&
                                  GetFileAttributesA(fileSystemPath) != INVALID_FILE_ATTRIBUTES
                            : (attributes & SFGAO_FOLDER) != 0;
        if (isFolder) return folder;
    }
    throw EInvalidPath("Invalid path: \"" + path + "\"");
}

// The folder is the target, or one of the target's folders.
bool SameObject(const TShellFolder& folder, PCIDLIST_ABSOLUTE target, const std::string& targetPath)
{
    return ILIsEqual(folder.AbsoluteID(), target) || (!targetPath.empty() && AnsiSameText(folder.PathName(), targetPath));
}

bool Leads(const TShellFolder& folder, PCIDLIST_ABSOLUTE target, const std::string& targetPath)
{
    if (SameObject(folder, target, targetPath) || ILIsParent(folder.AbsoluteID(), target, FALSE)) return true;
    std::string path = IncludeTrailingPathDelimiter(folder.PathName());
    return folder.IsFileSystem() && targetPath.size() > path.size() && AnsiSameText(targetPath.substr(0, path.size()), path);
}

HIMAGELIST SystemSmallImages()
{
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(reinterpret_cast<LPCSTR>(DesktopID().get()), 0, &info, sizeof(info),
                                                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

UINT NotifyCode(const TMessage& message)
{
    return reinterpret_cast<const NMHDR*>(message.LParam)->code;
}

// The file or folder behind the object; false for a virtual one.
bool FileData(const TShellFolder& object, WIN32_FILE_ATTRIBUTE_DATA& data)
{
    return object.IsFileSystem() && GetFileAttributesExA(object.PathName().c_str(), GetFileExInfoStandard, &data);
}

// The report view's columns, as Explorer shows a folder's details.
struct TDetailColumn {
    const char* title;
    int width;
    int format;
    std::string (TShellFolder::*text)() const;
};
constexpr int kNameColumnMinWidth = 160;
const TDetailColumn kDetailColumns[] = {
    {"Size", 70, LVCFMT_RIGHT, &TShellFolder::SizeText},
    {"Type", 110, LVCFMT_LEFT, &TShellFolder::TypeName},
    {"Modified", 120, LVCFMT_LEFT, &TShellFolder::ModifiedText},
};

}

// ---- TShellFolder ----

TShellFolder::TShellFolder(PIDLIST_ABSOLUTE absolute, std::string displayName, ULONG attributes)
    : absolute_(absolute), displayName_(std::move(displayName)), attributes_(attributes)
{
}

TShellFolder::~TShellFolder()
{
    ILFree(absolute_);
}

std::string TShellFolder::PathName() const
{
    return PathOf(absolute_);
}

int TShellFolder::ImageIndex() const
{
    SHFILEINFOA info{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute_), 0, &info, sizeof(info),
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return info.iIcon;
}

std::string TShellFolder::SizeText() const
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!FileData(*this, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    const uint64_t bytes = uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    return FormatFloat("#,##0", static_cast<double>((bytes + 1023) / 1024)) + " KB";
}

std::string TShellFolder::TypeName() const
{
    SHFILEINFOA info{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute_), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_TYPENAME);
    return info.szTypeName;
}

std::string TShellFolder::ModifiedText() const
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local;
    SYSTEMTIME time;
    if (!FileData(*this, data) || !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &time))
        return {};
    const TDateTime when = EncodeDate(time.wYear, time.wMonth, time.wDay) + EncodeTime(time.wHour, time.wMinute, 0, 0);
    return DateToStr(when) + " " + FormatDateTime(FormatSettings().ShortTimeFormat, when);
}

// ---- TShellTreeView ----

TShellTreeView::TShellTreeView(TComponent* owner) : TCommonControl(owner, WC_TREEVIEWA)
{
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

TShellTreeView::~TShellTreeView()
{
    for (TShellListView* list : lists_) list->tree_ = nullptr;
}

void TShellTreeView::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    // The desktop is the only root: it gets no button of its own, so every
    // level sits one indent further left, as the system's folder browser
    // draws it.
    params.Style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TShellTreeView::CreateWnd()
{
    TCommonControl::CreateWnd();
    SendMessageA(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(SystemSmallImages()));
    TIdList desktop = DesktopID();
    STRRET name{};
    std::string display = "Desktop";
    if (SUCCEEDED(Desktop()->GetDisplayNameOf(desktop.get(), SHGDN_NORMAL, &name)))
        display = StrRetText(name, desktop.get());
    HTREEITEM root = AddNode(TVI_ROOT, std::make_unique<TShellFolder>(desktop.release(), display, SFGAO_FOLDER));
    SendMessageA(Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
}

void TShellTreeView::DestroyWnd()
{
    TCommonControl::DestroyWnd();
    populated_.clear();
    folders_.clear();
}

TShellFolder* TShellTreeView::FolderOf(HTREEITEM item) const
{
    if (!item) return nullptr;
    TVITEMA node{};
    node.mask = TVIF_PARAM;
    node.hItem = item;
    SendMessageA(const_cast<TShellTreeView*>(this)->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&node));
    return reinterpret_cast<TShellFolder*>(node.lParam);
}

HTREEITEM TShellTreeView::AddNode(HTREEITEM parent, std::unique_ptr<TShellFolder> folder)
{
    std::string text = folder->DisplayName();
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = text.data();
    // Whether there are folders below shows when the node first opens.
    insert.item.cChildren = 1;
    insert.item.iImage = insert.item.iSelectedImage = folder->ImageIndex();
    insert.item.lParam = reinterpret_cast<LPARAM>(folder.get());
    folders_.push_back(std::move(folder));
    return reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TShellTreeView::Populate(HTREEITEM item)
{
    if (std::find(populated_.begin(), populated_.end(), item) != populated_.end()) return;
    populated_.push_back(item);
    int added = 0;
    for (auto& folder : Enumerate(FolderOf(item)->AbsoluteID(), SHCONTF_FOLDERS)) {
        if (!folder->IsFolder()) continue;
        AddNode(item, std::move(folder));
        ++added;
    }
    if (added) return;
    TVITEMA node{};
    node.mask = TVIF_CHILDREN;
    node.hItem = item;
    SendMessageA(Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&node));
}

TShellFolder* TShellTreeView::SelectedFolder()
{
    if (!HandleAllocated()) return nullptr;
    return FolderOf(reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

std::string TShellTreeView::Path()
{
    TShellFolder* folder = SelectedFolder();
    return folder ? folder->PathName() : std::string();
}

void TShellTreeView::SetPath(const std::string& path)
{
    TIdList target = ParseFolder(path);
    const std::string targetPath = PathOf(target.get());
    HWND tree = Handle();
    auto next = [tree](HTREEITEM item, UINT relation) {
        return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    HTREEITEM node = next(nullptr, TVGN_ROOT);
    while (!SameObject(*FolderOf(node), target.get(), targetPath)) {
        Populate(node);
        HTREEITEM child = next(node, TVGN_CHILD);
        while (child && !Leads(*FolderOf(child), target.get(), targetPath)) child = next(child, TVGN_NEXT);
        if (!child) throw EInvalidPath("Invalid path: \"" + path + "\"");
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
        node = child;
    }
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
}

void TShellTreeView::SelectionChanged()
{
    TShellFolder* folder = SelectedFolder();
    if (!folder) return;
    for (TShellListView* list : lists_) list->ShowFolder(folder->AbsoluteID());
    if (OnChange) OnChange(this, folder);
}

void TShellTreeView::WndProc(TMessage& message)
{
    if (message.Msg == CN_NOTIFY) {
        switch (NotifyCode(message)) {
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            const auto& change = *reinterpret_cast<const NMTREEVIEWA*>(message.LParam);
            if (change.action & TVE_EXPAND) Populate(change.itemNew.hItem);
            message.Result = FALSE;
            return;
        }
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            SelectionChanged();
            return;
        }
    }
    TCommonControl::WndProc(message);
}

// ---- TShellListView ----

TShellListView::TShellListView(TComponent* owner) : TCommonControl(owner, WC_LISTVIEWA), root_(DesktopID().release())
{
    SetTabStop(true);
    SetBounds(0, 0, 250, 150);
}

TShellListView::~TShellListView()
{
    SetShellTreeView(nullptr);
    ILFree(root_);
}

void TShellListView::SetShellTreeView(TShellTreeView* tree)
{
    if (tree_ == tree) return;
    if (tree_) std::erase(tree_->lists_, this);
    tree_ = tree;
    if (!tree_) return;
    tree_->lists_.push_back(this);
    if (TShellFolder* folder = tree_->SelectedFolder()) ShowFolder(folder->AbsoluteID());
}

std::string TShellListView::Root()
{
    return PathOf(root_);
}

void TShellListView::SetRoot(const std::string& path)
{
    ShowFolder(ParseFolder(path).get());
}

void TShellListView::ShowFolder(PCIDLIST_ABSOLUTE folder)
{
    PIDLIST_ABSOLUTE copy = ILCloneFull(folder);
    ILFree(root_);
    root_ = copy;
    Fill();
}

void TShellListView::SetMultiSelect(bool multiSelect)
{
    if (multiSelect_ == multiSelect) return;
    multiSelect_ = multiSelect;
    if (HandleAllocated()) RecreateWnd();
}

void TShellListView::Refresh()
{
    Fill();
}

void TShellListView::Fill()
{
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
    items_.clear();
    auto entries = Enumerate(root_, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    // Folders first, each part in the shell's order.
    std::stable_partition(entries.begin(), entries.end(), [](const auto& entry) { return entry->IsFolder(); });
    for (auto& entry : entries) {
        bool canAdd = true;
        if (OnAddFolder) OnAddFolder(this, entry.get(), canAdd);
        if (!canAdd) continue;
        std::string text = entry->DisplayName();
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = Count();
        item.pszText = text.data();
        item.iImage = entry->ImageIndex();
        SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; const TDetailColumn& detail : kDetailColumns) {
            std::string detailText = (entry.get()->*detail.text)();
            item.iSubItem = column++;
            item.pszText = detailText.data();
            SendMessageA(Handle(), LVM_SETITEMTEXTA, item.iItem, reinterpret_cast<LPARAM>(&item));
        }
        items_.push_back(std::move(entry));
    }
}

int TShellListView::SelCount()
{
    return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

bool TShellListView::Selected(int index)
{
    return HandleAllocated() && SendMessageA(Handle(), LVM_GETITEMSTATE, index, LVIS_SELECTED) != 0;
}

void TShellListView::SetSelected(int index, bool selected)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void TShellListView::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    params.Style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    if (!multiSelect_) params.Style |= LVS_SINGLESEL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TShellListView::CreateWnd()
{
    TCommonControl::CreateWnd();
    SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(SystemSmallImages()));
    // The name takes what the details leave of the width.
    int detailsWidth = 0;
    for (const TDetailColumn& detail : kDetailColumns) detailsWidth += detail.width;
    auto addColumn = [this](int index, const char* title, int width, int format) {
        std::string text = title;
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text.data();
        column.cx = width;
        column.fmt = format;
        SendMessageA(Handle(), LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
    };
    addColumn(0, "Name", std::max(ClientWidth() - detailsWidth - GetSystemMetrics(SM_CXVSCROLL), kNameColumnMinWidth),
              LVCFMT_LEFT);
    for (int index = 1; const TDetailColumn& detail : kDetailColumns)
        addColumn(index++, detail.title, detail.width, detail.format);
    Fill();
}

void TShellListView::WndProc(TMessage& message)
{
    if (message.Msg == CN_NOTIFY && NotifyCode(message) == static_cast<UINT>(NM_DBLCLK)) {
        DblClick();
        return;
    }
    TCommonControl::WndProc(message);
}
