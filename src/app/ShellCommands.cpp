#include "app/ShellCommands.h"

#include <memory>

#include "app/AboutDlg.h"
#include "app/HelpDlg.h"
#include "app/MainFrame.h"
#include "app/MenuLayout.h"
#include "app/SaveScreen.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

void AddShellCommands(CommandMap& commands, CTubescanDoc& doc, CMainFrame* frame) {
    // Whether the help window is open: the command's own state.
    auto helpOpen = std::make_shared<bool>(false);
    commands.Add(cmd::kHelp, {[helpOpen, frame](int) {
                                  // One help window at a time, however it is asked for.
                                  if (*helpOpen) return;
                                  *helpOpen = true;
                                  frame->UpdateCommandUi();
                                  CHelpDlg help(frame);
                                  help.exec();
                                  *helpOpen = false;
                              },
                              [helpOpen](int) {
                                  return CommandUi{true, *helpOpen};
                              }});
    commands.Add(cmd::kAbout, {[frame](int) {
                                   CAboutDlg about(frame);
                                   about.exec();
                               },
                               {}});
    commands.Add(cmd::kSaveScreen, {[&doc, frame](int) { SaveScreenCommand(doc, *frame); }, {}});
}
