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
constexpr unsigned kConnect = 105;
constexpr unsigned kReplay = 106;
constexpr unsigned kApplyState = 107;
constexpr unsigned kCompareFile = 108;
constexpr unsigned kSaveLog = 109;
constexpr unsigned kRecentFile = 110;  // + the index, newest first
constexpr unsigned kRecentEnd = 119;   // the separator after them
constexpr unsigned kUndo = 120;
constexpr unsigned kRedo = 121;
constexpr unsigned kSavePreset = 130;
constexpr unsigned kReadAll = 200;
constexpr unsigned kDigitalControlOnFigure = 201;
constexpr unsigned kDialogMenu = 300;  // + the dialog index, for each caption _GetMenuItem gives
constexpr unsigned kDeviceMenu = 400;  // + the device index
// Each preset's entries, + its index in the sorted list.
constexpr unsigned kPresetApply = 500;
constexpr unsigned kPresetCompare = 600;
constexpr unsigned kPresetDelete = 700;
constexpr unsigned kMostPresets = 100;

// Posted to the main window after a module's write: failures settle once its handler is over
// (WM_APP + 1).
constexpr unsigned kSettleMessage = 0x8001;
// The replay's timer on the main window.
constexpr unsigned kReplayTimer = 1;

// Child windows.
constexpr int kFigureStripId = 10;
constexpr int kGridId = 11;
constexpr int kLogId = 12;
constexpr int kStatusId = 13;
constexpr int kCellEditorId = 14;  // a child of the grid while a cell is edited
constexpr int kCompareListId = 15;  // the list in the "Compare" window
constexpr int kNameEditId = 16;     // the edit of the dialog that asks for a name

// The Connect dialog's controls (its caption is "Connect").
constexpr int kConnectPlaces = 20;   // list: the simulated QM7140, then each bridge
constexpr int kConnectAddress = 21;  // edit: 7-bit address
constexpr int kConnectSpeed = 22;    // drop-down list: 100 kHz, 400 kHz
constexpr int kConnectFound = 23;    // what was found, or that no bridge was
constexpr int kConnectProblem = 24;  // why OK did not close it
constexpr int kConnectLookAgain = 25;  // button: the bridges listed again

}  // namespace winhost
