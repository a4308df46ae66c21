#include "app/SettingsFile.h"

#include <string>

#include "app/CMainFrame.h"
#include "can/CanModuleCommands.h"
#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "files/AtomicFileWriter.h"
#include "link/CommSettingsRecord.h"
#include "ui/Host.h"

namespace zel::app {

void SettingsFile::Load(CMainFrame& frame, const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes;
  std::string errorText;
  if (!files::ArchiveReader::ReadFile(path, kMostBytes, bytes, errorText)) return;
  Read(frame, std::move(bytes));
}

void SettingsFile::Read(CMainFrame& frame, std::vector<std::uint8_t> bytes) {
  files::ArchiveReader archive(std::move(bytes));
  link::ZelCommunication& communication = frame.Communication();
  try {
    if (archive.ReadString() != kVersion) {
      ui::CurrentHost().ShowMessage(kVersionTooOld);
      return;
    }
    frame.Wizards().Read(archive);
    link::CommSettings settings = communication.Settings();
    link::ReadCommSettings(archive, settings);
    // The stored port answers the rest of the start-up, even if what follows is damaged.
    communication.OpenLink(settings);
    // The transport, the parameter definitions and the velocity and current readings keep no
    // inputs of their own.
    communication.Can().ReadInputs(archive);
    frame.Recorder().Settings().Read(archive);
    communication.Service().ReadInputs(archive);
    communication.Status().ReadInputs(archive);
    communication.Parameter().ReadInputs(archive);
    frame.CanMenu().ModuleCommands().ReadInputs(archive);
    frame.DownloadControl().ReadSettings(archive);
    frame.Firmware().Load(archive);
  } catch (const files::ArchiveError&) {
    // Truncated or damaged: what was read stays, silently.
  }
}

std::vector<std::uint8_t> SettingsFile::Write(CMainFrame& frame) {
  files::ArchiveWriter archive;
  link::ZelCommunication& communication = frame.Communication();
  archive.WriteString(kVersion);
  frame.Wizards().Write(archive);
  link::WriteCommSettings(archive, communication.Settings());
  communication.Can().WriteInputs(archive);
  frame.Recorder().SyncSettings();
  frame.Recorder().Settings().Write(archive);
  communication.Service().WriteInputs(archive);
  communication.Status().WriteInputs(archive);
  communication.Parameter().WriteInputs(archive);
  frame.CanMenu().ModuleCommands().WriteInputs(archive);
  frame.DownloadControl().WriteSettings(archive);
  frame.Firmware().Store(archive);
  return archive.TakeData();
}

bool SettingsFile::Save(CMainFrame& frame, const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = Write(frame);
  std::string errorText;
  return files::AtomicFileWriter::Write(path, bytes, errorText);
}

}  // namespace zel::app
