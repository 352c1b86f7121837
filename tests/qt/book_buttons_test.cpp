#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>

#include "qt/main_window.h"
#include "qt_app.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

class BookButtonsTest : public ::testing::Test {
 protected:
  BookButtonsTest() : window(*h.program, {}) { h.Start(); }
  template <class W = QWidget>
  W* Get(const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
  }

  testing::AppFirst app_;
  testing::Harness h{"VRKTset"};
  qt::MainWindow window;
  testing::TempDir dir;
};

TEST_F(BookButtonsTest, ImportAndExportFromThePhoneBookPage) {
  auto* import = Get<QPushButton>("BookImport");
  auto* exporter = Get<QPushButton>("BookExport");
  ASSERT_TRUE(import && exporter);
  EXPECT_TRUE(Get("PhoneBook")->isAncestorOf(import));
  EXPECT_TRUE(Get("PhoneBook")->isAncestorOf(exporter));
  EXPECT_EQ(import->text(), "Import");
  EXPECT_EQ(exporter->text(), "Export");
  EXPECT_EQ(import->toolTip(), "Add phone book rows from a CSV or vCard file.");
  EXPECT_FALSE(import->icon().isNull());

  dir.Write("in.csv", "Name;Number\nAnna;+420 602 555 111\nBob;603\n");
  h.dialogs.file_answers.push_back(dir.File("in.csv"));
  h.dialogs.answers.push_back(1);  // Replace
  import->click();
  auto* grid = Get<QTableView>("PhoneBook1");
  ASSERT_EQ(grid->model()->rowCount(), 2);
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "Anna");
  EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "+420602555111");

  h.dialogs.file_answers.push_back(dir.File("out.vcf"));
  exporter->click();
  EXPECT_EQ(testing::ReadBytes(dir.File("out.vcf")),
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\nN:Anna;;;;\r\nTEL:+420602555111\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nN:Bob;;;;\r\nTEL:603\r\nEND:VCARD\r\n");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);  // the import's counts
  EXPECT_EQ(h.dialogs.messages[0],
            "Imported \"in.csv\" (UTF-8): 2 added, 0 replaced, 0 unchanged, 0 refused, 0 left out.");
}

}  // namespace
}  // namespace vrkt
