#include "ui/Window.h"

#include <algorithm>

#include "ui/Host.h"

namespace zel::ui {

Window::Window(std::string title)
    : title_(std::move(title)), targetId_(Dispatcher::Default().Register(this)) {}

Window::~Window() {
  Dispatcher::Default().Unregister(targetId_);
  if (modeless_ && !destroyed_) CurrentHost().CloseModeless(*this);
}

void Window::SetTitle(std::string title) {
  title_ = std::move(title);
  Notify(0);
}

Control& Window::Add(Control control) {
  controls_.push_back(std::move(control));
  Notify(0);
  return controls_.back();
}

Control& Window::Add(int id, ControlKind kind, std::string text, int parent) {
  Control control;
  control.id = id;
  control.kind = kind;
  control.text = std::move(text);
  control.parent = parent;
  return Add(std::move(control));
}

Control& Window::AddLabel(int id, std::string text, int parent) {
  return Add(id, ControlKind::Label, std::move(text), parent);
}

Control& Window::AddEdit(int id, std::string text, int parent) {
  return Add(id, ControlKind::Edit, std::move(text), parent);
}

Control& Window::AddButton(int id, std::string text, int parent) {
  return Add(id, ControlKind::Button, std::move(text), parent);
}

Control& Window::AddCheckBox(int id, std::string text, int parent) {
  return Add(id, ControlKind::CheckBox, std::move(text), parent);
}

Control& Window::AddRadio(int id, std::string text, int radioGroup, int parent) {
  Control& radio = Add(id, ControlKind::Radio, std::move(text), parent);
  radio.radioGroup = radioGroup;
  return radio;
}

Control& Window::AddCombo(int id, std::vector<std::string> items, int parent) {
  Control& combo = Add(id, ControlKind::Combo, {}, parent);
  combo.items = std::move(items);
  return combo;
}

Control& Window::AddList(int id, std::vector<std::string> columns, int parent) {
  Control& list = Add(id, ControlKind::List, {}, parent);
  list.items = std::move(columns);
  return list;
}

Control& Window::AddGroup(int id, std::string title, int parent) {
  return Add(id, ControlKind::Group, std::move(title), parent);
}

Control& Window::AddProgress(int id, int minimum, int maximum, int parent) {
  Control& progress = Add(id, ControlKind::ProgressBar, {}, parent);
  progress.minimum = minimum;
  progress.maximum = maximum;
  return progress;
}

void Window::AddOkCancel(std::string okText, std::string cancelText) {
  AddButton(kIdOk, std::move(okText));
  AddButton(kIdCancel, std::move(cancelText)).sameRow = true;
}

Control* Window::Find(int id) {
  for (Control& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

const Control* Window::Find(int id) const {
  for (const Control& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

void Window::SetText(int id, std::string text) {
  if (Control* c = Find(id); c && c->text != text) {
    c->text = std::move(text);
    Notify(id);
  }
}

std::string Window::Text(int id) const {
  const Control* c = Find(id);
  return c ? c->text : std::string();
}

void Window::SetValue(int id, int value) {
  Control* c = Find(id);
  if (!c) return;
  value =
      (c->kind == ControlKind::Slider || c->kind == ControlKind::ProgressBar)
          ? std::clamp(value, std::min(c->minimum, c->maximum), std::max(c->minimum, c->maximum))
          : value;
  if (c->kind == ControlKind::Radio && value != 0 && c->radioGroup != 0) {
    for (Control& other : controls_) {
      if (&other != c && other.kind == ControlKind::Radio && other.radioGroup == c->radioGroup &&
          other.value != 0) {
        other.value = 0;
        Notify(other.id);
      }
    }
  }
  if (c->value != value) {
    c->value = value;
    Notify(id);
  }
}

int Window::Value(int id) const {
  const Control* c = Find(id);
  return c ? c->value : 0;
}

void Window::Enable(int id, bool enabled) {
  if (Control* c = Find(id); c && c->enabled != enabled) {
    c->enabled = enabled;
    Notify(id);
  }
}

bool Window::IsEnabled(int id) const {
  const Control* c = Find(id);
  return c && c->enabled;
}

void Window::Show(int id, bool visible) {
  if (Control* c = Find(id); c && c->visible != visible) {
    c->visible = visible;
    Notify(id);
  }
}

bool Window::IsVisible(int id) const {
  const Control* c = Find(id);
  return c && c->visible;
}

void Window::SetColour(int id, std::uint32_t colour) {
  if (Control* c = Find(id); c && c->colour != colour) {
    c->colour = colour;
    Notify(id);
  }
}

void Window::SetItems(int id, std::vector<std::string> items) {
  if (Control* c = Find(id)) {
    c->items = std::move(items);
    if (c->kind == ControlKind::Combo && c->selection >= static_cast<int>(c->items.size()))
      c->selection = -1;
    Notify(id);
  }
}

void Window::SetRows(int id, std::vector<std::vector<std::string>> rows) {
  if (Control* c = Find(id)) {
    c->rows = std::move(rows);
    if (c->selection >= static_cast<int>(c->rows.size())) c->selection = -1;
    if (c->rowMarks.size() > c->rows.size()) c->rowMarks.resize(c->rows.size());
    if (c->rowColours.size() > c->rows.size()) c->rowColours.resize(c->rows.size());
    Notify(id);
  }
}

void Window::SetRowColours(int id, std::vector<std::uint32_t> colours) {
  if (Control* c = Find(id)) {
    c->rowColours = std::move(colours);
    if (c->rowColours.size() > c->rows.size()) c->rowColours.resize(c->rows.size());
    Notify(id);
  }
}

void Window::SetRowMarks(int id, std::vector<RowMark> marks) {
  if (Control* c = Find(id)) {
    c->rowMarks = std::move(marks);
    if (c->rowMarks.size() > c->rows.size()) c->rowMarks.resize(c->rows.size());
    Notify(id);
  }
}

void Window::SetRange(int id, int minimum, int maximum) {
  if (Control* c = Find(id)) {
    c->minimum = minimum;
    c->maximum = maximum;
    Notify(id);
    SetValue(id, c->value);
  }
}

void Window::SetSelection(int id, int selection) {
  Control* c = Find(id);
  if (!c) return;
  int count = c->kind == ControlKind::List ? static_cast<int>(c->rows.size())
                                           : static_cast<int>(c->items.size());
  if (selection < -1 || selection >= count) selection = -1;
  if (c->selection != selection) {
    c->selection = selection;
    Notify(id);
  }
}

int Window::Selection(int id) const {
  const Control* c = Find(id);
  return c ? c->selection : -1;
}

void Window::SetFocus(int id) {
  focus_ = id;
  Notify(id);
}

bool Window::AcceptsInput(const Control* control) const {
  return !ended_ && control && control->enabled && control->visible && !control->readOnly;
}

bool Window::UserSetText(int id, const std::string& text) {
  Control* c = Find(id);
  if (!AcceptsInput(c)) return false;
  SetText(id, text);
  OnEvent(id, EventKind::Changed);
  return true;
}

bool Window::UserSetValue(int id, int value) {
  Control* c = Find(id);
  if (!AcceptsInput(c)) return false;
  SetValue(id, value);
  bool clicked = c->kind == ControlKind::CheckBox || c->kind == ControlKind::Radio;
  OnEvent(id, clicked ? EventKind::Clicked : EventKind::Changed);
  return true;
}

bool Window::UserSelect(int id, int selection) {
  Control* c = Find(id);
  if (!AcceptsInput(c)) return false;
  SetSelection(id, selection);
  OnEvent(id, EventKind::Selection);
  return true;
}

bool Window::Press(int id) {
  if (ended_) return false;
  Control* c = Find(id);
  // OK and Cancel also stand for the Enter and Escape keys of a dialog without such buttons.
  if (c ? !AcceptsInput(c) : (id != kIdOk && id != kIdCancel)) return false;
  if (id == kIdOk) {
    OnOK();
  } else if (id == kIdCancel) {
    OnCancel();
  } else {
    OnEvent(id, EventKind::Clicked);
  }
  return true;
}

bool Window::UserEvent(int id, EventKind kind) {
  Control* c = Find(id);
  if (!AcceptsInput(c) && !(c && kind == EventKind::FocusLost && !ended_)) return false;
  OnEvent(id, kind);
  return true;
}

std::vector<std::uint8_t> Window::DragData(int, int) const {
  return {};
}

bool Window::UserDrop(int id, int row, const std::string& format,
                      const std::vector<std::uint8_t>& data) {
  Control* c = Find(id);
  if (!AcceptsInput(c) || c->dropFormat.empty() || c->dropFormat != format) return false;
  OnDrop(id, row, data);
  return true;
}

int Window::DoModal() {
  ended_ = false;
  result_ = 0;
  Initialize();
  if (!ended_) CurrentHost().RunModal(*this);
  Destroy();
  return result_;
}

void Window::ShowModeless() {
  ended_ = false;
  destroyed_ = false;
  Initialize();
  if (ended_) {
    Destroy();
    return;
  }
  modeless_ = true;
  CurrentHost().ShowModeless(*this);
}

void Window::Close() {
  if (!ended_) EndDialog(kResultCancel);
  if (modeless_) {
    modeless_ = false;
    Destroy();
    CurrentHost().CloseModeless(*this);
  }
}

void Window::EndDialog(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  Notify(-1);
}

void Window::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  destroyed_ = false;
  OnInitDialog();
}

void Window::Destroy() {
  if (destroyed_ || !initialized_) return;
  destroyed_ = true;
  OnDestroy();
  initialized_ = false;
}

bool Window::Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return Dispatcher::Default().Post(targetId_, message, wParam, lParam);
}

void Window::OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  OnPrivateMessage(message, wParam, lParam);
}

void Window::Notify(int id) {
  if (observer_) observer_(id);
}

}  // namespace zel::ui
