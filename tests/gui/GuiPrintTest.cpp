#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "gui/QtHost.h"
#include "gui/QtTestApp.h"
#include "parameters/CParameterFile.h"
#include "parameters/ParameterFileOutput.h"
#include "support/TestOutput.h"

namespace zel::gui {
namespace {

std::size_t CountPages(const std::string& pdf) {
  // Every page object carries "/Type /Page"; the page tree is "/Type /Pages".
  std::size_t pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  return pages;
}

// Without a printer the protocol goes to a PDF file the user names; every page of the protocol
// is a page of that file, and the outcome box says it was printed.
TEST(GuiPrint, AParameterProtocolBecomesAPdfFileWhenNoPrinterIsInstalled) {
  QtTestApp();
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
  // Left behind for a look at the printout.
  const std::filesystem::path dir = test::TestOutputDir("GuiPrint");
  parameters::CParameterFile file;
  file.directory = (dir / "line.udf").string();
  file.date = "09.12.2026 08:00";
  file.version = "ZEL_1041h_0200h";
  file.moduleId = 5;
  for (int i = 0; i < 100; ++i)
    file.entries.push_back({"Param" + std::to_string(i), "0", 0, "0x0001"});
  std::string error;
  ASSERT_TRUE(file.Write(file.directory, error)) << error;
  const std::size_t expectedPages =
      file.PrintProtocol(parameters::ParameterFileOutput::kLinesPerPage, "").pages.size();
  ASSERT_GE(expectedPages, 2u);

  QtHost host;
  const std::filesystem::path pdf = dir / "protocol.pdf";
  std::filesystem::remove(pdf);
  QString boxText;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
      // The name is typed into the chooser's field as a user would. selectFile() leaves that
      // field alone once it has the focus, which on a loaded machine it often has by the first
      // poll: the chooser then took the folder for the answer, stayed open, and the test hung.
      auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name == nullptr) {
        ADD_FAILURE() << "the chooser has no file name field";
        chooser->reject();
        return;
      }
      name->setText(QString::fromStdString(pdf.string()));
      static_cast<QDialog*>(chooser)->accept();  // the dialog's own check of the name runs
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxText = box->text();
      box->accept();
      poll.stop();
    }
  });
  // No give-up time: on a loaded machine the chooser may come late, and a poll that had stopped
  // would leave it open for good. Print's return stops the poll.
  poll.start(20);
  EXPECT_TRUE(parameters::ParameterFileOutput::Print(file.directory));
  poll.stop();

  EXPECT_EQ(boxText, "Data printed!");
  std::ifstream in(pdf, std::ios::binary);
  ASSERT_TRUE(in) << "no PDF was written";
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(bytes.compare(0, 5, "%PDF-"), 0);
  EXPECT_EQ(CountPages(bytes), expectedPages);
}

}  // namespace
}  // namespace zel::gui
