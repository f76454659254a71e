#include "app/ShellCommands.h"

#include "app/AboutDlg.h"
#include "app/HelpDlg.h"
#include "app/MainFrame.h"
#include "app/MenuLayout.h"
#include "app/SaveScreen.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

void AddShellCommands(CommandMap& commands, CTubescanDoc& doc, CMainFrame* frame) {
    commands.Add(cmd::kHelp, {[&doc, frame](int) {
                                  // One help window at a time, however it is asked for.
                                  if (doc.m_helpOpen) return;
                                  doc.m_helpOpen = 1;
                                  frame->UpdateCommandUi();
                                  CHelpDlg help(frame);
                                  help.exec();
                                  doc.m_helpOpen = 0;
                              },
                              [&doc](int) {
                                  return CommandUi{true, doc.m_helpOpen == 1};
                              }});
    commands.Add(cmd::kAbout, {[frame](int) {
                                   CAboutDlg about(frame);
                                   about.exec();
                               },
                               {}});
    commands.Add(cmd::kSaveScreen, {[&doc, frame](int) { SaveScreenCommand(doc, *frame); }, {}});
}
