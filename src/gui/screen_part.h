#pragma once

class Velk;
class VelkGUI;

// What every screen of the main window knows: the window that holds it (for
// switching screens and for the state the screens share) and the engine.
class ScreenPart {
  public:
    explicit ScreenPart(VelkGUI& window) : win(window) {}
    void attach(Velk* e) { engine = e; }

  protected:
    VelkGUI& win;
    Velk* engine = nullptr;
};
