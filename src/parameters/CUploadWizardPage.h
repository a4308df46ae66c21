#pragma once

#include <functional>
#include <memory>
#include <string>

#include "parameters/ModuleSearch.h"
#include "parameters/NetworkLine.h"
#include "parameters/NetworkUpload.h"
#include "parameters/ParameterDevice.h"
#include "ui/PropertySheet.h"

namespace zel::parameters {

class CParameterTable;

// What the up/download wizard works on: the parameter definitions, the ZEL at the serial port,
// and for the CAN page a module's device through the gateway and the line its search asks
// (which also tells a dead line from a failed module during a network upload).
struct UploadWizardDevices {
  const CParameterTable* table = nullptr;
  ParameterDevice* serial = nullptr;
  NetworkUpload::DeviceFor moduleDevice;
  NetworkLine* line = nullptr;
  // "Service Mode" on the sheet that edits a file, for the device the file goes to (module 0:
  // the serial ZEL): the password dialog, true when the device took it.
  std::function<bool(std::uint16_t module)> enterServiceMode;
};

// The buttons both pages of the up/download wizard share: upload of the actual parameters,
// download of the defaults or of a file, editing, printing and exporting a file. Each works on
// the page's device through ParameterTransfer and shows its outcome. UI thread.
class CUploadWizardPage : public ui::PropertyPage {
 public:
  static constexpr int kIdUpload = 4100;
  static constexpr int kIdDownloadDefaults = 4101;
  static constexpr int kIdDownloadFile = 4102;
  static constexpr int kIdDirectoryLabel = 4103;
  static constexpr int kIdDirectory = 4104;
  static constexpr int kIdBrowse = 4105;
  static constexpr int kIdEdit = 4106;
  static constexpr int kIdPrint = 4107;
  static constexpr int kIdExport = 4108;
  static constexpr int kIdSavedToLabel = 4109;
  static constexpr int kIdSavedTo = 4110;
  static constexpr const char* kSelectDirectory = "Select a directory!";

  CUploadWizardPage(std::string title, UploadWizardDevices& devices);

  const std::string& SavedTo() const { return savedTo_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  // The device the buttons work on; null after saying why there is none.
  virtual ParameterDevice* Device(std::unique_ptr<ParameterDevice>& holder) = 0;
  virtual void Upload();
  virtual void DownloadFile();
  virtual void EditFile();
  void DownloadDefaults();
  // The text a successful single upload says.
  virtual std::string UploadedText(const ParameterDevice& device) const;
  bool AskUploadFile(std::string& path);
  bool AskParameterFile(std::string& path);

  UploadWizardDevices& devices_;
  std::string visum_ = "-";
  std::string comment_ = "-";
  std::string savedTo_;
};

// "RS232": the ZEL at the serial port.
class CUploadWizard_RS232 final : public CUploadWizardPage {
 public:
  explicit CUploadWizard_RS232(UploadWizardDevices& devices);

 protected:
  ParameterDevice* Device(std::unique_ptr<ParameterDevice>& holder) override;
};

}  // namespace zel::parameters
