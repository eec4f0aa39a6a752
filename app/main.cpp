#include "app/startup.h"

int main(int argc, char **argv) {
    kadrolin::app::TStartupSteps steps;
    // Wired here as the windows of the other subsystems arrive:
    // steps.CreatePassWdFrm = ...;  the change-password dialog
    // steps.CreateAyarFrm = ...;    the settings dialog
    // steps.CheckPassword = ...;    the start-up password gate
    return kadrolin::app::Main(argc, argv, std::move(steps));
}
