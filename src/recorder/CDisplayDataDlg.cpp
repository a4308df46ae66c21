#include "recorder/CDisplayDataDlg.h"

#include "parameters/NumberText.h"
#include "recorder/CValueRangeDlg.h"
#include "recorder/GraphModel.h"
#include "recorder/RdaFile.h"
#include "recorder/Recorder.h"
#include "ui/Host.h"

namespace zel::recorder {

namespace {

constexpr const char* kNotWritten = "The file could not be written!\n";
constexpr const char* kNotRead = "The file could not be read!\n";
constexpr int kFilterRda = 1;
constexpr int kFilterText = 2;
constexpr int kFilterCsv = 1;
constexpr int kFilterPng = 2;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

CDisplayDataDlg::CDisplayDataDlg(Recorder& recorder) : Window("Display Data"), recorder_(recorder) {
  Add(kIdPlot, ui::ControlKind::Plot);
  AddButton(kIdCursor, "&Cursor");
  AddButton(kIdCurve, "&Curve").sameRow = true;
  AddButton(kIdMeasure, "&Measure").sameRow = true;
  AddButton(kIdGrid, "&Grid").sameRow = true;
  AddCheckBox(kIdAutoScale, "Auto Scale").sameRow = true;
  AddButton(kIdScale, "&Scale").sameRow = true;
  AddButton(kIdResetZoom, "Reset &Zoom").sameRow = true;
  AddButton(kIdRefresh, "&Refresh");
  AddCheckBox(kIdAutoRefresh, "Auto Refresh").sameRow = true;
  AddButton(kIdJump, "&Jump").sameRow = true;
  AddLabel(0, "Value").sameRow = true;
  AddEdit(kIdJumpValue, "0").sameRow = true;
  AddButton(kIdSave, "&Save").sameRow = true;
  AddButton(kIdLoad, "&Load").sameRow = true;
  AddButton(kIdExport, "E&xport").sameRow = true;
  AddButton(kIdExit, "&Exit").sameRow = true;
}

CDisplayDataDlg::~CDisplayDataDlg() {
  StopAutoRefresh();
}

GraphModel& CDisplayDataDlg::Graph() {
  return recorder_.Graph();
}

ui::PlotSource* CDisplayDataDlg::PlotFor(int id) {
  return id == kIdPlot ? &recorder_.Graph() : nullptr;
}

bool CDisplayDataDlg::AutoRefreshRunning() const {
  return worker_ && worker_->IsRunning();
}

bool CDisplayDataDlg::OnInitDialog() {
  SetValue(kIdAutoScale, Graph().AutoScale() ? 1 : 0);
  Enable(kIdScale, !Graph().AutoScale());
  ShowRecording();
  return true;
}

void CDisplayDataDlg::ShowRecording() {
  // Recorder data is timed in µs; only the values carry the recorded parameter's unit.
  Graph().SetUnits("µs", recorder_.ValueUnit(), "");
  Graph().SetData(recorder_.Data());
  Redraw();
}

void CDisplayDataDlg::Redraw() {
  // The plot's value changes with every redraw, so its renderer hears of each one.
  SetValue(kIdPlot, ++redraws_);
  SetText(kIdPlot, Graph().CursorText());
}

void CDisplayDataDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  switch (id) {
    case kIdCursor:
      Graph().CycleCursor();
      break;
    case kIdCurve:
      Graph().NextCurve();
      break;
    case kIdMeasure:
      Graph().CycleMeasure();
      break;
    case kIdGrid:
      Graph().ToggleGrid();
      break;
    case kIdAutoScale:
      Graph().SetAutoScale(Value(kIdAutoScale) != 0);
      Enable(kIdScale, !Graph().AutoScale());
      break;
    case kIdScale:
      EditScale();
      break;
    case kIdResetZoom:
      Graph().ResetView();
      break;
    case kIdRefresh:
      Refresh();
      break;
    case kIdAutoRefresh:
      if (Value(kIdAutoRefresh) != 0) {
        StartAutoRefresh();
      } else {
        StopAutoRefresh();
        Enable(kIdRefresh, true);
      }
      break;
    case kIdJump:
      Jump();
      break;
    case kIdSave:
      Save();
      break;
    case kIdLoad:
      Load();
      break;
    case kIdExport:
      Export();
      break;
    case kIdExit:
      Exit();
      return;
    default:
      return;
  }
  Redraw();
}

void CDisplayDataDlg::EditScale() {
  if (Graph().AutoScale()) return;
  CValueRangeDlg dialog(Graph().ManualMax(), Graph().ManualMin());
  if (dialog.DoModal() == ui::kResultOk) Graph().SetManualRange(dialog.Maximum(), dialog.Minimum());
}

void CDisplayDataDlg::Refresh() {
  if (recorder_.Upload(0)) ShowRecording();
}

void CDisplayDataDlg::Jump() {
  std::int16_t value = 0;
  const parameters::NumberTextError error =
      parameters::NumberText::ParseInt16(Text(kIdJumpValue), value);
  if (error != parameters::NumberTextError::kNone) {
    ui::CurrentHost().ShowMessage(parameters::NumberText::Message(error));
    SetFocus(kIdJumpValue);
    return;
  }
  if (recorder_.Jump(value) == Recorder::JumpOutcome::kDone) ShowRecording();
}

void CDisplayDataDlg::StartAutoRefresh() {
  StopAutoRefresh();
  Enable(kIdRefresh, false);
  auto timer = timerFactory_ ? timerFactory_() : std::make_unique<ui::SteadyPeriodicTimer>();
  worker_ = std::make_unique<RecorderRefreshWorker>(
      *this, kMsgDataReady, kMsgRefreshEnded,
      [this](std::vector<std::uint16_t>& words) { return recorder_.UploadWords(0, words); },
      std::move(timer));
  if (!worker_->Start()) AutoRefreshEnded();
}

void CDisplayDataDlg::StopAutoRefresh() {
  if (worker_) worker_->Stop();
  worker_.reset();
}

void CDisplayDataDlg::AutoRefreshEnded() {
  StopAutoRefresh();
  pausedByMinimize_ = false;
  Enable(kIdRefresh, true);
  SetValue(kIdAutoRefresh, 0);
}

void CDisplayDataDlg::OnPrivateMessage(unsigned message, std::uintptr_t, std::intptr_t) {
  if (message == kMsgDataReady && worker_) {
    recorder_.BuildChannel(worker_->Take());
    ShowRecording();
  } else if (message == kMsgRefreshEnded) {
    AutoRefreshEnded();
  }
}

void CDisplayDataDlg::OnMinimize(bool minimized) {
  if (minimized) {
    if (!AutoRefreshRunning()) return;
    StopAutoRefresh();
    pausedByMinimize_ = true;
  } else if (pausedByMinimize_) {
    pausedByMinimize_ = false;
    StartAutoRefresh();
  }
}

void CDisplayDataDlg::Save() {
  ui::FileRequest request;
  request.filter = kSaveFilter;
  request.defaultExtension = "rda";
  if (!ui::CurrentHost().AskSaveFile(request)) return;
  std::string error;
  const bool text = request.filterIndex == kFilterText ||
                    (request.filterIndex != kFilterRda && EndsWith(request.path, ".txt"));
  const bool written = text ? RdaFile::ExportText(request.path, Graph().Data(), error)
                            : RdaFile::SaveRda(request.path, Graph().Data(), error);
  if (!written) ui::CurrentHost().ShowMessage(kNotWritten + error);
}

void CDisplayDataDlg::Load() {
  ui::FileRequest request;
  request.filter = kLoadFilter;
  request.defaultExtension = "rda";
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  RecordedData data;
  std::string error;
  switch (RdaFile::LoadRda(request.path, data, error)) {
    case RdaFile::LoadResult::kOk:
      StopAutoRefresh();
      if (Value(kIdAutoRefresh) != 0) AutoRefreshEnded();
      recorder_.SetData(std::move(data));
      ShowRecording();
      break;
    case RdaFile::LoadResult::kOldVersion:
      ui::CurrentHost().ShowMessage(RdaFile::kOldVersionText);
      break;
    case RdaFile::LoadResult::kDamaged:
      ui::CurrentHost().ShowMessage(error);
      break;
    case RdaFile::LoadResult::kCannotOpen:
      ui::CurrentHost().ShowMessage(kNotRead + error);
      break;
  }
}

void CDisplayDataDlg::Export() {
  ui::FileRequest request;
  request.filter = kExportFilter;
  request.defaultExtension = "csv";
  if (!ui::CurrentHost().AskSaveFile(request)) return;
  std::string error;
  bool written = false;
  if (request.filterIndex == kFilterPng || EndsWith(request.path, ".png")) {
    const ui::PlotSource::ImageWriter& writer = Graph().GetImageWriter();
    if (!writer) {
      error = "No picture of the graph can be drawn here.";
    } else {
      written = writer(request.path, error);
    }
  } else {
    (void)kFilterCsv;
    written = RdaFile::ExportCsv(request.path, Graph().Data(), error);
  }
  if (!written) ui::CurrentHost().ShowMessage(kNotWritten + error);
}

void CDisplayDataDlg::Exit() {
  StopAutoRefresh();
  recorder_.SyncSettings();
  // The window's copy goes; the recorder keeps the recording for the next window.
  Graph().ClearData();
  Close();
}

void CDisplayDataDlg::OnCancel() {
  Exit();
}

void CDisplayDataDlg::OnDestroy() {
  StopAutoRefresh();
}

}  // namespace zel::recorder
