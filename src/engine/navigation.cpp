#include "engine/navigation.h"

#include "crypt/crypt_man.h"
#include "engine/item_views.h"

Navigation::Navigation(ItemTree& tree, ContentView& view) : tree(tree), view(view) {}

void Navigation::setGroup(ToDoListGroup* g) {
    curGroup_ = g;
    curGroupPath_ = g->childPath();
}

void Navigation::setGroup2ViewItem(int row) {
    setGroup(static_cast<ToDoListGroup*>(view.items()[std::size_t(row)]));
}

void Navigation::setItem2ViewItem(int row) {
    curItem_ = static_cast<ToDoListToDo*>(view.items()[std::size_t(row)]);
}

void Navigation::enterRoot() {
    curGroup_ = tree.root();
    curGroupPath_ = "/0/";
}

int Navigation::leaveCurGroup() {
    T_Options& opts = view.options();
    if (opts.mainviewtype == MAINVIEW_SEARCH) {
        tree.dropSearchGroup();
        curGroup_ = savedGroup_ ? savedGroup_ : tree.root();
        curGroupPath_ = savedGroup_ ? savedPath_ : "/0/";
        opts.mainviewtype = MAINVIEW_NORMAL;
        return 0;
    }
    if (curGroup_ == tree.root() || opts.mainviewtype != MAINVIEW_NORMAL) return -1;
    std::string path = curGroupPath_;
    path.pop_back();
    while (!path.empty() && path.back() != '/')
        path.pop_back();
    ToDoListGroup* parent = tree.root()->getGroupPtr(path);
    if (!parent) return -1;
    curGroup_ = parent;
    curGroupPath_ = path;
    return 0;
}

void Navigation::rememberGroup() {
    rememberedGroup = curGroup_;
    rememberedPath = curGroupPath_;
}

void Navigation::rememberGroupOfCurrentItem() {
    rememberedPath = curItem_->getPath();
    rememberedGroup = tree.root()->getGroupPtr(rememberedPath);
}

void Navigation::enterPrevGroup() {
    if (!rememberedGroup) return;
    curGroup_ = rememberedGroup;
    curGroupPath_ = rememberedPath;
}

bool Navigation::inRootGroup() const {
    return curGroup_ == tree.root() || view.options().mainviewtype == MAINVIEW_ACTIVE;
}

std::string Navigation::getCurGroupPathText() const {
    if (view.options().mainviewtype == MAINVIEW_ACTIVE) return "Active jobs";
    if (curGroupPath_.size() < 2) return std::string();
    return tree.root()->getPathText(curGroupPath_.substr(1, curGroupPath_.size() - 2));
}

int Navigation::search(const std::string& text) {
    CryptMan* crypt = &view.cryptMan();
    std::vector<ToDoListToDo*> hits;
    if (view.options().mainviewtype == MAINVIEW_NORMAL) {
        savedGroup_ = curGroup_;
        savedPath_ = curGroupPath_;
        view.clearRows();
        findToDosWithText(*curGroup_, text, hits, crypt);
        setGroup(tree.openSearchGroup());
    } else if (view.options().mainviewtype == MAINVIEW_SEARCH) {
        // Narrowing: the current hits, from the last row to the first.
        const std::vector<ToDoListItem*>& shown = view.items();
        for (std::size_t i = shown.size(); i-- > 0;) {
            auto* t = static_cast<ToDoListToDo*>(shown[i]);
            if (t && containsText(*t, text, crypt)) hits.push_back(t);
        }
    } else {
        return -1;
    }
    view.showHits(hits);
    view.options().mainviewtype = MAINVIEW_SEARCH;
    return 0;
}

void Navigation::forgetReferencesInto(ToDoListItem& item, bool isGroup, ToDoListGroup& parent) {
    if (isGroup) {
        const std::string own = static_cast<ToDoListGroup&>(item).childPath();
        auto inside = [&own](const std::string& path) {
            return path.compare(0, own.size(), own) == 0;
        };
        const std::string parentPath = parent.childPath();
        if (curGroup_ && inside(curGroupPath_)) setGroup(&parent);
        if (curItem_ && inside(curItem_->getPath())) curItem_ = nullptr;
        if (rememberedGroup && inside(rememberedPath)) {
            rememberedGroup = &parent;
            rememberedPath = parentPath;
        }
        if (savedGroup_ && inside(savedPath_)) {
            savedGroup_ = &parent;
            savedPath_ = parentPath;
        }
    } else if (curItem_ == &item) {
        curItem_ = nullptr;
    }
    view.forgetRowsOf(item, isGroup);
}
