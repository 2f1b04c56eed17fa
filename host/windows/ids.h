// Menu commands and child windows of the host's main window: what a test or an automation
// tool finds them by.
#pragma once

namespace winhost {

// Menu commands.
constexpr unsigned kLoadState = 100;
constexpr unsigned kSaveState = 101;
constexpr unsigned kExit = 102;
constexpr unsigned kExport = 103;
constexpr unsigned kAbout = 104;
constexpr unsigned kReadAll = 200;
constexpr unsigned kDigitalControlOnFigure = 201;
constexpr unsigned kDialogMenu = 300;  // + the dialog index, for each caption _GetMenuItem gives
constexpr unsigned kDeviceMenu = 400;  // + the device index

// Posted to the main window after a module's write: failures settle once its handler is over
// (WM_APP + 1).
constexpr unsigned kSettleMessage = 0x8001;

// Child windows.
constexpr int kFigureStripId = 10;
constexpr int kGridId = 11;
constexpr int kLogId = 12;
constexpr int kStatusId = 13;
constexpr int kCellEditorId = 14;  // a child of the grid while a cell is edited

}  // namespace winhost
