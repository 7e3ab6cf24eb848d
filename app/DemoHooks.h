#pragma once

namespace carecfg {

class Tfrm_mainset;

// Test and demonstration hooks of the window, switched on by environment variables only (the
// program takes nothing from its command line):
//   CARECFG_EXIT_WHEN_IDLE=1      quit at the first idle moment after the window is shown
//   CARECFG_DEMO_AUTOCONNECT=1    choose the port DEMO and press the port button
//   CARECFG_DEMO_PASSWORD=text    once the unit has identified itself, log in with this password
//   CARECFG_DEMO_READ_RECORDS=1   "Read Record" once the unit has identified itself (after the
//                                 login and the settings when those are asked for too)
//   CARECFG_SCREENSHOT=file.png   save a picture of the window after a pause, print the path, quit
//   CARECFG_SCREENSHOT_PAGE=n     show page n (0..15) before the picture is taken
//   CARECFG_SCREENSHOT_TAB=name   make this tab sheet of the settings tab control current
//   CARECFG_SCREENSHOT_DELAY_MS=n the pause before the picture (default 2500 ms)
//   CARECFG_WINDOW_SIZE=WxH       resize the window before it is shown (screenshots)
//   CARECFG_EXIT_AFTER_STARTUP=1  once captions, default profile and threshold lists are in,
//                                 print "startup finished" on standard output and quit
//   CARECFG_CLOSE_AFTER_STARTUP=1 the same, but close the window as a user does (the window
//                                 bounds are saved into skin.ini on the way)
// Call before the window is shown.
void InstallDemoHooks(Tfrm_mainset& window);

}  // namespace carecfg
