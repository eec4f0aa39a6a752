#pragma once
// The program's start-up and shutdown, as a library so it can be run with a
// real window in tests.
#include <functional>
#include <memory>

class TForm1;

namespace kadrolin::app {

// The steps that windows of other subsystems fill in, in start-up order.
struct TStartupSteps {
    // After the main window: the change-password dialog, created hidden.
    std::function<void(TForm1 &)> CreatePassWdFrm;
    // After that: the settings dialog, created hidden; it reads the protection state.
    std::function<void(TForm1 &)> CreateAyarFrm;
    // After the main window is shown: the start-up password gate. False refuses.
    std::function<bool(TForm1 &)> CheckPassword;
    // Before the long-lived windows are destroyed at exit (the settings dialog writes its flag).
    std::function<void()> DestroyWindows;
};

class TKadrolin {
  public:
    explicit TKadrolin(TStartupSteps steps = {});
    // Destroys the windows. No close-time work runs here: that belongs to closing the main window.
    ~TKadrolin();
    TKadrolin(const TKadrolin &) = delete;
    TKadrolin &operator=(const TKadrolin &) = delete;

    // Runs start-up up to the message loop. Returns false when the password
    // gate refused: the message loop then ends as soon as it starts, without
    // closing the main window (no save question, no settings written).
    bool Start();
    TForm1 *Form1() const { return FForm1.get(); }
    bool Refused() const { return FRefused; }

  private:
    TStartupSteps FSteps;
    std::unique_ptr<TForm1> FForm1;
    bool FRefused = false;
};

// The main routine: application object, start-up, message loop, exit.
int Main(int argc, char **argv, TStartupSteps steps = {});

} // namespace kadrolin::app
