// The hot-keys help (32847), the About box (57664) and Save Screen (32868).
#pragma once

class CMainFrame;
class CommandMap;
class CTubescanDoc;

void AddShellCommands(CommandMap& commands, CTubescanDoc& doc, CMainFrame* frame);
