// The import and export screens: choosing the file, "~" for the home folder,
// the close box, a bad path; and the external editor's failure.

#include "common/home_path.h"
#include "gui/gui_fixture.h"

#include <FL/Fl_File_Input.H>
#include <FL/Fl_Return_Button.H>

namespace {
const char* const BROWSE = "browse\xe2\x80\xa6";

// The first widget of type T below g, at any depth, passing keep.
template <class T> T* findBelow(Fl_Group* g, const std::function<bool(Fl_Widget*)>& keep) {
    for (int i = 0; i < g->children(); ++i) {
        Fl_Widget* c = g->child(i);
        if (auto* t = dynamic_cast<T*>(c); t && keep(c)) return t;
        if (Fl_Group* sub = c->as_group())
            if (T* t = findBelow<T>(sub, keep)) return t;
    }
    return nullptr;
}
} // namespace

TEST(HomePath, ALeadingTildeIsTheHomeFolder) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"~", "/home/me", "/home/me"},
        {"~/a.velk", "/home/me", "/home/me/a.velk"},
        {"~/a.velk", "/home/me/", "/home/me/a.velk"},
        {"~/a.velk", "/", "/a.velk"},
        {"~/", "/home/me", "/home/me/"},
        {"~other/a.velk", "/home/me", "~other/a.velk"},
        {"/tmp/~/a", "/home/me", "/tmp/~/a"},
        {"a~", "/home/me", "a~"},
        {"~/a.velk", "", "~/a.velk"},
        {"", "/home/me", ""},
    };
    for (const auto& [typed, home, expanded] : rows)
        EXPECT_EQ(expandHomeFolder(typed, home), expanded) << typed << " with " << home;
}

// The toolkit's own chooser (no desktop dialog) takes a typed name and Return.
TEST_F(GuiTest, BrowseOnTheImportScreenPutsTheChosenFileInTheField) {
    Fl::option(Fl::OPTION_FNFC_USES_GTK, false);
    writeWholeFile(dir.file("chosen.velk"), "");
    choose("&file/import");
    ASSERT_EQ(mainWin->screen(), SCREEN_INPUT);
    Fl_Button* browse = childLabelled<Fl_Button>(mainWin, BROWSE);
    ASSERT_TRUE(browse && browse->visible());
    EXPECT_LE(browse->x() + browse->w(), mainWin->w());
    WindowDriver driver("insert:", [&](Fl_Window* w) {
        auto* name = findBelow<Fl_File_Input>(w, [](Fl_Widget*) { return true; });
        ASSERT_TRUE(name);
        name->value(dir.file("chosen.velk").c_str());
        click(findBelow<Fl_Return_Button>(w, [](Fl_Widget* b) { return b->visible(); }));
    });
    click(browse);
    EXPECT_TRUE(driver.ran());
    EXPECT_STREQ(mainWin->inputField()->value(), dir.file("chosen.velk").c_str());
    EXPECT_EQ(mainWin->screen(), SCREEN_INPUT);
    // The search has no file to choose.
    mainWin->CB_Cancel();
    choose("&search...");
    EXPECT_FALSE(browse->visible());
}

TEST_F(GuiTest, TheCloseBoxOfTheImportScreenImportsNothingAndABadPathStaysTyped) {
    engine->setHomeFolder(dir.path());
    addToDo("taken");
    mainWin->showList(0);
    ASSERT_EQ(engine->exportContentToFile(dir.file("in.velk").c_str()), 0);
    const auto entries = [&] { return engine->getRoot()->getNrToDos(); };
    const std::size_t before = entries();
    choose("&file/import");
    mainWin->inputField()->value(dir.file("in.velk").c_str());
    Fl::handle(FL_CLOSE, mainWin);
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(entries(), before);
    EXPECT_TRUE(mainWin->shown());

    choose("&file/import");
    mainWin->inputField()->value("~/missing.velk");
    click(mainWin->closeButton());
    EXPECT_EQ(mainWin->screen(), SCREEN_INPUT);
    EXPECT_STREQ(mainWin->inputField()->value(), "~/missing.velk");
    ASSERT_FALSE(asked.empty());
    EXPECT_NE(asked.back().find(dir.file("missing.velk")), std::string::npos) << asked.back();
    EXPECT_EQ(entries(), before);

    mainWin->inputField()->value(dir.file("in.velk").c_str());
    click(mainWin->closeButton());
    EXPECT_EQ(mainWin->screen(), SCREEN_LIST);
    EXPECT_EQ(entries(), before + 1);
}

TEST_F(GuiTest, TheExternalEditorsFailureNamesTheCommandAndHowItEnded) {
    setScratchFolder(dir.file("scratch"));
    ASSERT_EQ(prepareScratchFolder(scratchFolder()), 0);
    mainWin->CB_Menu_newTodo();
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    // The new item's "<unnamed>" is selected, so that typing replaces it.
    EXPECT_EQ(std::abs(mainWin->editSummary()->position() - mainWin->editSummary()->mark()),
              int(std::strlen("<unnamed>")));
    for (const auto& [command, ending] : {std::pair{"sh -c 'exit 3'", "ended with exit status 3"},
                                          {"sh -c 'kill -TERM $$'", "ended by signal 15"},
                                          {"kill -TERM $$", "was ended by signal 15"}}) {
        engine->setEditorCommand(command);
        asked.clear();
        mainWin->CB_editToDo_ExtEdit();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_NE(asked[0].find(std::string("    ") + command + " " + scratchFolder()),
                  std::string::npos)
            << asked[0];
        EXPECT_NE(asked[0].find(ending), std::string::npos) << asked[0];
        EXPECT_NE(asked[0].find("\"editor = \xe2\x80\xa6\""), std::string::npos);
    }
    setScratchFolder("");
}
