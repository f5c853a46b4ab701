// The window's members that forward to the screen that owns them.

#include "gui/velk_gui.h"

#include "engine/velk.h"

#include "gui/about_screen.h"
#include "gui/group_editor.h"
#include "gui/input_screen.h"
#include "gui/item_editor.h"
#include "gui/list_screen.h"
#include "gui/sync_watch.h"

#include <FL/Fl_Browser.H>

void VelkGUI::showList(int topLine) {
    list_->showList(topLine);
}
void VelkGUI::listViewClicked() {
    list_->listViewClicked();
}
void VelkGUI::enterGroup(int row, bool select) {
    list_->enterGroup(row, select);
}
void VelkGUI::CB_Up() {
    list_->up();
}
void VelkGUI::toggleCompleted(int row, bool keep) {
    list_->toggleCompleted(row, keep);
}
int VelkGUI::checkActiveJobs() {
    return list_->checkActiveJobs();
}
void VelkGUI::OpenItem(int row, bool descriptionFirst) {
    list_->openItem(row, descriptionFirst);
}
void VelkGUI::CB_Menu_VelkView(int view) {
    list_->changeView(view);
}
void VelkGUI::CB_CalFirstDay(int n) {
    list_->calFirstDay(n);
}
void VelkGUI::CB_CalSpan(int days) {
    list_->calSpan(days);
}
void VelkGUI::CB_Opts_sort(int type) {
    list_->sort(type);
}
void VelkGUI::CB_Opts_View_flat() {
    list_->viewFlat();
}
void VelkGUI::CB_Opts_View_tree() {
    list_->viewTree();
}
void VelkGUI::CB_Opts_View_scompleted() {
    list_->toggleShowCompleted();
}
void VelkGUI::CB_Opts_View_completedl() {
    list_->toggleCompletedLast();
}
void VelkGUI::CB_Opts_View_toggleTextSize() {
    list_->toggleTextSize();
}
void VelkGUI::ActOnSelected(int action) {
    list_->actOnSelected(action);
}
void VelkGUI::CB_Menu_newTodo() {
    list_->newToDo();
}
void VelkGUI::CB_Menu_newGroup() {
    list_->newGroup();
}
void VelkGUI::CB_Menu_editGroup() {
    group_->editCurrentGroup();
}
void VelkGUI::CB_Menu_delGroup() {
    list_->deleteGroup();
}
void VelkGUI::CB_Menu_delCompl() {
    list_->deleteCompleted();
}
void VelkGUI::CB_Menu_paste() {
    list_->paste();
}
void VelkGUI::CB_Menu_copyGroup() {
    list_->copyGroup();
}
void VelkGUI::CB_Menu_copyContent() {
    list_->copyContent();
}
void VelkGUI::showInput(int mode) {
    input_->showInput(mode);
}
bool VelkGUI::tellWriteResult(int result, const std::string& name, bool toClipboard) {
    return list_->tellWriteResult(result, name, toClipboard);
}
void VelkGUI::tellReadResult(int result, const std::string& name, bool fromClipboard) {
    list_->tellReadResult(result, name, fromClipboard);
}
void VelkGUI::CB_Menu_Crypt_AddPwd() {
    list_->addPassword();
}
void VelkGUI::CB_Menu_Crypt_Login() {
    list_->logIn();
}
void VelkGUI::CB_Menu_syncAccount() {
    if (sync_) sync_->setUpAccount();
}
void VelkGUI::CB_Menu_step(bool back) {
    list_->takeStep(back);
}
void VelkGUI::CB_Menu_keys() {
    list_->showKeys();
}
void VelkGUI::CB_Menu_syncNow() {
    if (sync_) sync_->syncNow();
}
void VelkGUI::refreshAfterSync() {
    if (screen_ == SCREEN_LIST)
        list_->refresh();
    else
        engine_->buildView();
}
const ToDoListToDo* VelkGUI::editedEntry() const {
    return showsItemEditor() ? engine_->getCurItem() : nullptr;
}
void VelkGUI::endSession() {
    if (finishSession()) hide();
}
void VelkGUI::show_editToDoWin(bool descr, bool force) {
    item_->show_editToDoWin(descr, force);
}
void VelkGUI::editToDo_Done() {
    item_->editToDo_Done();
}
void VelkGUI::editToDo_saveSettings() {
    item_->editToDo_saveSettings();
}
void VelkGUI::editToDo_updateTimeThings() {
    item_->editToDo_updateTimeThings();
}
void VelkGUI::editToDo_updateRecThings() {
    item_->editToDo_updateRecThings();
}
void VelkGUI::editToDo_updateTimeSum() {
    item_->editToDo_updateTimeSum();
}
void VelkGUI::showToDoState() {
    item_->showToDoState();
}
void VelkGUI::setCompletedMessage(int result) {
    item_->setCompletedMessage(result);
}
std::string VelkGUI::GetDescrBuffer() const {
    return item_->GetDescrBuffer();
}
void VelkGUI::SetDescrBuffer(const char* text) {
    item_->SetDescrBuffer(text);
}
void VelkGUI::CB_editToDo_ExtEdit() {
    item_->CB_editToDo_ExtEdit();
}
void VelkGUI::CB_editToDo_compl() {
    item_->CB_editToDo_compl();
}
void VelkGUI::CB_editToDo_StrtStp() {
    item_->CB_editToDo_StrtStp();
}
void VelkGUI::CB_edit_Pr(int p) {
    item_->CB_edit_Pr(p);
}
void VelkGUI::CB_edit_isToDo() {
    item_->CB_edit_isToDo();
}
void VelkGUI::CB_editToDo_showAs(int value) {
    item_->CB_editToDo_showAs(value);
}
void VelkGUI::CB_editToDo_remind(int minutes) {
    item_->CB_editToDo_remind(minutes);
}
void VelkGUI::CB_editToDo_Date(int u) {
    item_->CB_editToDo_Date(u);
}
void VelkGUI::CB_editToDo_Time(int u) {
    item_->CB_editToDo_Time(u);
}
void VelkGUI::CB_editToDo_recurring() {
    item_->CB_editToDo_recurring();
}
void VelkGUI::CB_editToDo_crypt() {
    item_->CB_editToDo_crypt();
}
void VelkGUI::CB_edit() {
    item_->CB_edit();
}
void VelkGUI::CB_editToDo_Menu_del() {
    item_->CB_editToDo_Menu_del();
}
void VelkGUI::CB_editToDo_Menu_copy() {
    item_->CB_editToDo_Menu_copy();
}
void VelkGUI::CB_editToDo_Menu_showGroup() {
    item_->CB_editToDo_Menu_showGroup();
}
void VelkGUI::CB_editToDo_Menu_t2Group() {
    item_->CB_editToDo_Menu_t2Group();
}
void VelkGUI::CB_editToDo_Menu_skipDay() {
    item_->CB_editToDo_Menu_skipDay();
}
void VelkGUI::CB_editToDo_Menu_keys() {
    item_->showKeys();
}
void VelkGUI::CB_editToDo_clearSkipped() {
    item_->CB_editToDo_clearSkipped();
}
void VelkGUI::editGroup_Done() {
    group_->done();
}

const std::string& VelkGUI::pathText() const {
    return list_->pathText();
}
RowBrowser* VelkGUI::listView() const {
    return list_->listView();
}
Fl_Menu_Button* VelkGUI::menuButton() const {
    return list_->menuButton();
}
Fl_Box* VelkGUI::promptBox() const {
    return input_->promptBox();
}
Fl_Input* VelkGUI::inputField() const {
    return input_->inputField();
}
Fl_Box* VelkGUI::aboutBox() const {
    return about_->aboutBox();
}
Fl_Input* VelkGUI::editSummary() const {
    return item_->editSummary();
}
Fl_Group* VelkGUI::editPrioGroup() const {
    return item_->editPrioGroup();
}
Fl_Check_Button* VelkGUI::editPrio(int i) const {
    return item_->editPrio(i);
}
Fl_Box* VelkGUI::editTimeSumBox() const {
    return item_->editTimeSumBox();
}
Fl_Menu_Button* VelkGUI::editBegDateMenu() const {
    return item_->editBegDateMenu();
}
Fl_Menu_Button* VelkGUI::editEndDateMenu() const {
    return item_->editEndDateMenu();
}
Fl_Menu_Button* VelkGUI::editBegTimeMenu() const {
    return item_->editBegTimeMenu();
}
Fl_Menu_Button* VelkGUI::editEndTimeMenu() const {
    return item_->editEndTimeMenu();
}
Fl_Box* VelkGUI::editBegBox() const {
    return item_->editBegBox();
}
Fl_Box* VelkGUI::editEndBox() const {
    return item_->editEndBox();
}
Fl_Button* VelkGUI::editRecurring() const {
    return item_->editRecurring();
}
Fl_Menu_Button* VelkGUI::editRemind() const {
    return item_->editRemind();
}
Fl_Box* VelkGUI::editSkippedBox() const {
    return item_->editSkippedBox();
}
Fl_Button* VelkGUI::editClearSkipped() const {
    return item_->editClearSkipped();
}
Fl_Check_Button* VelkGUI::editCrypt() const {
    return item_->editCrypt();
}
Fl_Text_Editor* VelkGUI::editDescr() const {
    return item_->editDescr();
}
Fl_Menu_Button* VelkGUI::editMenuButton() const {
    return item_->editMenuButton();
}
Fl_Button* VelkGUI::editPageButton() const {
    return item_->editPageButton();
}
Fl_Browser* VelkGUI::editTimesBrowser() const {
    return item_->editTimesBrowser();
}
