#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::ui {

// The kinds of control a window's tree is built from. The renderer decides the look; the window
// only decides what each control holds and whether it can be used.
enum class ControlKind {
  Label,
  Edit,
  Combo,
  List,
  Radio,
  CheckBox,
  Button,
  Slider,
  ProgressBar,
  Lamp,
  Picture,
  Group,
  Plot,
  Tab,
};

// What the user did to a control. The renderer reports these; a window reacts in OnEvent.
enum class EventKind {
  Clicked,
  Changed,
  FocusLost,
  Enter,
  Selection,
  DoubleClick,
  Drop,
};

// Colours as 0xRRGGBB; kDefaultColour leaves the renderer's own.
inline constexpr std::uint32_t kDefaultColour = 0xFFFFFFFFu;
// Values that are no longer the device's of this moment (the line was lost) are drawn in it.
inline constexpr std::uint32_t kStaleColour = 0x909090;

// One node of a window's control tree. Ids are unique inside their window. A control sits in a
// group or on a tab page when parent names that group or tab control (page index in parentPage).
// A symbol in front of a list row: success or failure of what the row reports.
enum class RowMark { kNone, kSuccess, kFailure };

struct Control {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  int parent = 0;        // 0: the window itself
  int parentPage = 0;    // page of a Tab parent
  bool sameRow = false;  // laid out beside the previous control of its parent
  std::string text;      // caption, edit contents, button label, group title
  int value = 0;         // check state, radio state, slider/progress position, lamp on/off
  int minimum = 0;       // slider and progress range
  int maximum = 100;
  std::vector<int> ticks;  // slider positions that carry a tick mark
  bool enabled = true;
  bool visible = true;
  bool password = false;  // an edit that hides what is typed
  bool readOnly = false;
  int radioGroup = 0;  // radios sharing a non-zero group exclude each other
  std::uint32_t colour = kDefaultColour;
  // Combo entries, list column captions, tab page titles.
  std::vector<std::string> items;
  // List column widths as shares of the list's width; empty leaves them to the renderer.
  std::vector<int> columnShares;
  // List rows, each with one cell per column.
  std::vector<std::vector<std::string>> rows;
  // Lists only: a mark drawn before each row's first cell (missing entries are kNone).
  std::vector<RowMark> rowMarks;
  // Lists only: the text colour of each row (missing entries are kDefaultColour).
  std::vector<std::uint32_t> rowColours;
  int selection = -1;  // combo entry, list row or tab page; -1 for none
  // Lists only: rows can be dragged out as this clipboard format (the window gives the bytes),
  // and drops of this format are taken. Empty: no drag and drop.
  std::string dragFormat;
  std::string dropFormat;
};

}  // namespace zel::ui
