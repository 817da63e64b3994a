#pragma once

#include <QCoreApplication>
#include <memory>
#include <optional>

#include "app/FontWarmUp.h"
#include "app/FrontEnds.h"
#include "app/RealEnvironment.h"
#include "app/ShellWiring.h"
#include "app/SimulatedWorld.h"
#include "shell/AppDelegate.h"

namespace pelko {

// What one run of the program owns, in the order it is made. main()'s teardown takes most of it apart in
// the order the program needs; the rest goes with this, in reverse order of declaration. The font
// warm-up is declared last so that it goes first: however main() ends (an unusable scenario, the end of
// the event loop), its thread is joined before anything else goes, the application whose fonts share
// fontconfig's state with it above all, while the thread may still be loading that state.
struct ProgramRun {
  std::unique_ptr<QCoreApplication> application;
  std::unique_ptr<RealEnvironment> real;
  std::unique_ptr<SimulatedWorld> world;
  std::unique_ptr<FrontEnds> frontEnds;
  std::unique_ptr<ShellWiring> wiring;
  std::shared_ptr<AppDelegate> delegate;
  std::optional<FontWarmUp> fontWarmUp;
};

}  // namespace pelko
