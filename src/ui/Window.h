#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/Dispatcher.h"
#include "ui/PlotSource.h"

namespace zel::ui {

// Button ids and modal results the dialogs share (the classic IDOK and IDCANCEL).
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;

// A dialog, page or view: a title, a tree of controls with ids, and handlers for what the user
// does to them. It knows nothing of any toolkit; a host renders it and forwards the user's input
// through the User* calls, and a test does the same through ScriptedHost.
//
// Lifetime: a dialog lives on the stack of the command that shows it. DoModal initialises it,
// lets the host run it until EndDialog, and then destroys it (OnDestroy), so a dialog stops its
// workers before DoModal returns. UI thread only, except Post.
class Window : public MessageTarget {
 public:
  explicit Window(std::string title = {});
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);

  // Tree building, usually in the constructor. Ids must be unique and non-zero.
  Control& Add(Control control);
  Control& Add(int id, ControlKind kind, std::string text = {}, int parent = 0);
  Control& AddLabel(int id, std::string text, int parent = 0);
  Control& AddEdit(int id, std::string text = {}, int parent = 0);
  Control& AddButton(int id, std::string text, int parent = 0);
  Control& AddCheckBox(int id, std::string text, int parent = 0);
  Control& AddRadio(int id, std::string text, int radioGroup, int parent = 0);
  Control& AddCombo(int id, std::vector<std::string> items, int parent = 0);
  Control& AddList(int id, std::vector<std::string> columns, int parent = 0);
  Control& AddGroup(int id, std::string title, int parent = 0);
  Control& AddProgress(int id, int minimum, int maximum, int parent = 0);
  // Adds the standard OK and Cancel buttons on one row.
  void AddOkCancel(std::string okText = "OK", std::string cancelText = "Cancel");

  const std::deque<Control>& Controls() const { return controls_; }
  Control* Find(int id);
  const Control* Find(int id) const;

  // State of controls. Unknown ids are ignored (reads give empty/0/false) so a typo cannot crash
  // the program; tests catch it instead.
  void SetText(int id, std::string text);
  std::string Text(int id) const;
  void SetValue(int id, int value);
  int Value(int id) const;
  void Enable(int id, bool enabled);
  bool IsEnabled(int id) const;
  void Show(int id, bool visible);
  bool IsVisible(int id) const;
  void SetColour(int id, std::uint32_t colour);
  void SetItems(int id, std::vector<std::string> items);
  void SetRows(int id, std::vector<std::vector<std::string>> rows);
  // Marks for the rows of list id, in row order; SetRows keeps them only while they still fit.
  void SetRowMarks(int id, std::vector<RowMark> marks);
  // Text colours for the rows of list id, in row order, kept like the marks.
  void SetRowColours(int id, std::vector<std::uint32_t> colours);
  void SetRange(int id, int minimum, int maximum);
  void SetSelection(int id, int selection);
  int Selection(int id) const;
  void SetFocus(int id);
  int FocusId() const { return focus_; }

  // What the user did, as the renderer or a test reports it. Each sets the state first, then
  // lets the window react. Input to a hidden or disabled control is refused (false), as a real
  // control would refuse it.
  bool UserSetText(int id, const std::string& text);
  bool UserSetValue(int id, int value);
  bool UserSelect(int id, int selection);
  bool Press(int id);
  bool UserEvent(int id, EventKind kind);
  // The renderer's window was minimised (true) or restored (false).
  void UserMinimize(bool minimized) { OnMinimize(minimized); }
  // Drag and drop between lists: what a drag of row carries (empty: nothing to drag), and a drop
  // of data in format on row (-1: below the rows). A drop of another format than the list takes
  // is refused.
  virtual std::vector<std::uint8_t> DragData(int id, int row) const;
  bool UserDrop(int id, int row, const std::string& format, const std::vector<std::uint8_t>& data);

  // Modal use: initialise, run on the current host until EndDialog, destroy. Returns the result.
  int DoModal();
  // Modeless use: initialise and hand to the host; Close ends and destroys it.
  void ShowModeless();
  void Close();

  void EndDialog(int result);
  bool IsEnded() const { return ended_; }
  int Result() const { return result_; }
  bool IsInitialized() const { return initialized_; }
  // Runs OnInitDialog once; hosts call it before rendering.
  void Initialize();
  // Runs OnDestroy once.
  void Destroy();

  // Any thread: posts a private message to this window.
  bool Post(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  Dispatcher::TargetId TargetId() const { return targetId_; }
  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // The renderer's hook: called with a control id after that control changed, 0 after the title
  // or the tree changed, -1 when the window has ended.
  using Observer = std::function<void(int)>;
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

  // The model a Plot control draws; null for every other id. A window with a plot notifies the
  // plot's id whenever its scene changed.
  virtual PlotSource* PlotFor(int /*id*/) { return nullptr; }

 protected:
  virtual bool OnInitDialog() { return true; }
  virtual void OnEvent(int /*id*/, EventKind /*kind*/) {}
  virtual void OnDrop(int /*id*/, int /*row*/, const std::vector<std::uint8_t>& /*data*/) {}
  virtual void OnOK() { EndDialog(kResultOk); }
  virtual void OnCancel() { EndDialog(kResultCancel); }
  virtual void OnDestroy() {}
  virtual void OnMinimize(bool /*minimized*/) {}
  virtual void OnPrivateMessage(unsigned /*message*/, std::uintptr_t /*wParam*/,
                                std::intptr_t /*lParam*/) {}

  void Notify(int id);

 private:
  bool AcceptsInput(const Control* control) const;

  std::string title_;
  std::deque<Control> controls_;
  int focus_ = 0;
  bool initialized_ = false;
  bool destroyed_ = false;
  bool ended_ = false;
  bool modeless_ = false;
  int result_ = 0;
  Observer observer_;
  Dispatcher::TargetId targetId_;
};

}  // namespace zel::ui
