#pragma once
#include "engine/item_tree.h"
#include "engine/row_text.h"
#include "model/special_days.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CryptMan;

// How the normal view lists a group: its whole subtree in one list, or only
// its own children.
enum t_viewtype { VIEWTYPE_FLAT = 0, VIEWTYPE_TREE = 1 };

// Main view types.
enum : int32_t {
    MAINVIEW_NORMAL = 0,
    MAINVIEW_ACTIVE = 1, // running todos of the whole tree, "Active jobs"
    MAINVIEW_SEARCH = 2,
    MAINVIEW_CALENDAR = 3,
    MAINVIEW_BACK = 4, // setMainViewType(4) returns from the only-active view
};

// Sort types of the lists.
enum : int32_t { SORT_PRIORITY = 0, SORT_DATE = 1 };

// The view options.
struct T_Options {
    t_viewtype viewtype = VIEWTYPE_TREE;
    int32_t mainviewtype = MAINVIEW_NORMAL;
    bool ShowKbd = false;
    int32_t lastMainViewType = MAINVIEW_NORMAL;
    int32_t sorttype = SORT_DATE;
    bool showCompleted = true;
    bool completedLast = true;
};

// What the user interface keeps between rebuilds of the list: the top lines
// last shown in the calendar and the normal view, and for every group entered
// the list's top line and selected line at that moment.
struct T_GUIData {
    int32_t nLineCal = 0;
    int32_t nLineNormal = 0;
    std::vector<int32_t> oldPosInList;
    std::vector<int32_t> oldSelInList;
};

// One line of the list currently shown.
struct T_viewDataItem {
    // The flags come first so that a row packs into 32 bytes: a calendar may
    // hold several hundred thousand rows.
    uint8_t kind = 0;                  // 1 group row; 0 todo row, also the calendar's markers
    bool completed = false;            // todo: completed; group: all its content completed
    bool startsHere = false;           // calendar: the first day of the item or occurrence
    bool endsHere = false;             // calendar: the last day of the item or occurrence
    bool reminds = false;              // the entry carries a reminder
    packedDT day = DT_EMPTY;           // calendar: the day the row belongs to
    packedDT primaryDate = DT_EMPTY;   // todo: end (due); appointment, note: begin; group: empty
    packedDT secondaryDate = DT_EMPTY; // todo: begin; appointment, note: end
    uint32_t prio = 0; // the item's priority; calendar markers 300 day, 301 special day,
                       // 400 blank separator
    RowText text;      // the line's text, shared by copies of the row
};
static_assert(sizeof(T_viewDataItem) <= 32, "a calendar row packs into 32 bytes");

// Priorities of the calendar's marker rows.
constexpr uint32_t PRIO_DAYHEADER = 300;
constexpr uint32_t PRIO_SPECIALDAY = 301;
constexpr uint32_t PRIO_SEPARATOR = 400;

// The list the main window shows and how it is chosen: the view options, the
// rows of the list with the item of each row and the display order, the
// positions the user interface keeps, and the special days of the calendar.
// Builds the rows of the normal, only-active, search and calendar lists and
// sorts them.
//
// Depends on ItemTree (the items and calendar lists it lists) and on the
// password manager (descriptions shown in place of empty summaries). The
// navigation and the item operations use it; it knows neither.
class ContentView {
  public:
    ContentView(ItemTree& tree, CryptMan& crypt);

    T_Options& options() { return opts; }
    const T_Options& options() const { return opts; }
    T_GUIData& guiData() { return GUIData; }
    const T_GUIData& guiData() const { return GUIData; }
    SpecialDays& specialDays() { return *specialDays_; }
    // The password manager that reads enciphered descriptions for the rows.
    CryptMan& cryptMan() const { return crypt; }

    // The rows of the list shown, the item of each row (null for calendar
    // markers) at the same index, and the row numbers in display order. The
    // three always have the same length after a build.
    const std::vector<T_viewDataItem>& rows() const { return viewData; }
    const std::vector<unsigned>& order() const { return viewOrder; }
    const std::vector<ToDoListItem*>& items() const { return viewItems; }

    // Selects the main view type: MAINVIEW_ACTIVE remembers the view it leaves
    // and is taken only while a todo runs; MAINVIEW_BACK returns to the view
    // remembered. -1 when type is already the main view type, else 0.
    int setMainViewType(int type);

    // Appends the rows of the list that the main view type selects (normal,
    // only active, search results or calendar) and puts the row numbers in
    // row order into the display order. groupPath is the ID path of the
    // current group, which the normal view lists.
    void getContent(const std::string& groupPath);
    // Puts the display order right: cmpViewDataCal in the calendar,
    // cmpViewData in every other list; equal rows keep their order.
    void sortContent();
    // Removes every row, except in the search view, where the hits are the
    // result and getContent rebuilds their rows.
    void clearViewData();
    // Removes every row, in any view.
    void clearRows();
    // True when row a must be displayed after row b.
    bool cmpViewData(unsigned a, unsigned b) const;
    bool cmpViewDataCal(unsigned a, unsigned b) const;
    // Appends the calendar rows of the occurrences of the recurring entries in
    // list that overlap the days from..to (calendar_view.cpp).
    void getContentRecItems(unsigned from, unsigned to, const T_RecCalList* list);
    // The rows of the search hits, from the last hit to the first, shown in
    // hit order; replaces every row.
    void showHits(const std::vector<ToDoListToDo*>& hits);

    // To be called before item is deleted from the tree: every row that shows
    // item, or for a group anything of its subtree, keeps its place but loses
    // its item (null in the items), so that display positions taken before the
    // deletion still name the rows the user selected and no row or search hit
    // points at a deleted item. The search view's next rebuild drops the rows.
    // The subtree is found by walking it.
    void forgetRowsOf(ToDoListItem& item, bool isGroup);

    // Appends row for item (null for a marker) without numbering it; the
    // builder numbers the rows at the end with numberRows.
    void appendRow(const T_viewDataItem& row, ToDoListItem* item) {
        viewData.push_back(row);
        viewItems.push_back(item);
    }
    // Makes room for n rows, so that appending up to n rows moves none.
    void reserveRows(std::size_t n) {
        viewData.reserve(n);
        viewItems.reserve(n);
    }
    // Puts the row numbers in row order into the display order.
    void numberRows();
    // Appends row for item at the end of the display order, as a list built by
    // hand (the tests of the sorting and of the calendar operations).
    void addRow(const T_viewDataItem& row, ToDoListItem* item) {
        appendRow(row, item);
        viewOrder.push_back(unsigned(viewOrder.size()));
    }
    // Replaces the list by one put together by hand (the tests of the
    // operations on shown rows).
    void setRows(std::vector<T_viewDataItem> rows, std::vector<ToDoListItem*> items,
                 std::vector<unsigned> order) {
        viewData = std::move(rows);
        viewItems = std::move(items);
        viewOrder = std::move(order);
    }

  private:
    // Appends the rows of the calendar view (calendar_view.cpp).
    void buildCalendarRows();

    ItemTree& tree;
    CryptMan& crypt;
    T_Options opts;
    T_GUIData GUIData;
    std::vector<T_viewDataItem> viewData;
    std::vector<unsigned> viewOrder;
    std::vector<ToDoListItem*> viewItems;
    // The holidays and special days of the calendar view.
    std::unique_ptr<SpecialDays> specialDays_ = std::make_unique<SpecialDays>();
};
