// The batch network dialog: its grid and controls, Assign from the octet fields, a static run
// and a DHCP run over scripted channels with each row's outcome, the DHCP question, the button
// states and the header sort.

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include "dialogs/scripted_prompts.h"
#include "netconfig/group_ip_setup_form.h"
#include "support/fake_control_channel.h"

using namespace scanvale;
using scanvale::testing::FakeControlChannel;

namespace {

tComUnitInfo Device(int n, const char* idpw = "0") {
  const std::string ip = "198.18.1." + std::to_string(n);
  const std::string mac = "02:00:00:00:01:" + std::to_string(n);
  return MakeRecord({{Field::model, "M" + std::to_string(n)}, {Field::proj, "IP-Cam"},
                     {Field::name, "cam"}, {Field::ip, ip}, {Field::trigger_port, "80"},
                     {Field::netmask, "255.255.255.0"}, {Field::gateway, "198.18.1.254"},
                     {Field::dns, "198.18.0.53"}, {Field::mac, mac}, {Field::dev, "7"},
                     {Field::idpw, idpw}, {Field::vendor, "Kestrilon"}});
}

// Devices 12, 11, 10 and an unselected 30; rows 1 to 3 selected.
struct Fixture {
  DeviceTable table;
  std::vector<tRowSelected> selection{{1, 1}, {1, 2}, {1, 3}};
  std::vector<std::string> replies;  // per channel opened, in order: a reply text or ""
  int opened = 0;
  Fixture(const char* idpw = "0") {
    for (int n : {12, 11, 10, 30}) table.AddFoundDevice(Device(n, idpw));
  }
  void Prepare(TGroupIpSetupForm& form) {
    form.Fill(table, selection);
    form.timing.oneAdapterSilence = std::chrono::milliseconds(20);
    form.channelFactory = [this]() -> std::unique_ptr<ControlChannel> {
      auto channel = std::make_unique<FakeControlChannel>();
      const std::size_t i = static_cast<std::size_t>(opened++);
      if (i < replies.size() && !replies[i].empty())
        channel->script.push_back({{FakeControlChannel::Wire(replies[i])}});
      return channel;
    };
  }
};

QStringList Column(const TGroupIpSetupForm& form, int column) {
  QStringList cells;
  for (int r = 0; r < form.StringGrid1->rowCount(); ++r)
    cells << form.StringGrid1->item(r, column)->text();
  return cells;
}

}  // namespace

class GroupIpSetupFormTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithTheSelectedDevices();
  void octetFieldsFilterAndMoveOn();
  void assignThenStaticRunWritesEachOutcome();
  void dhcpCancelledThenConfirmed();
  void headerClicksSortBothWays();
};

void GroupIpSetupFormTest::opensWithTheSelectedDevices() {
  Fixture f;
  TGroupIpSetupForm form;
  f.Prepare(form);
  form.show();
  QCOMPARE(form.objectName(), QString("GroupIpSetupForm"));
  QVERIFY(form.windowTitle().startsWith("Batch Network Setup"));
  for (const char* name : {"GroupBox1", "DHCPRadio", "StaticRadio", "ComboBox2", "Edit1", "Edit2",
                           "Edit3", "Edit4", "Button1", "StringGrid1", "Memo1", "Label1", "Edit5",
                           "Edit6", "ComboBox1", "Button2", "OKBtn", "CancelBtn"})
    QVERIFY2(form.findChild<QWidget*>(name) != nullptr, name);
  QCOMPARE(form.StringGrid1->columnCount(), 15);
  QCOMPARE(form.StringGrid1->rowCount(), 3);
  QVERIFY(!form.StringGrid1->isColumnHidden(6));
  QVERIFY(form.StringGrid1->isColumnHidden(7) && form.StringGrid1->isColumnHidden(14));
  QCOMPARE(form.StringGrid1->horizontalHeaderItem(3)->text(), QString("Static IP Allocation"));
  QCOMPARE(Column(form, 0), (QStringList{"1", "2", "3"}));
  QCOMPARE(Column(form, 2), (QStringList{"198.18.1.12", "198.18.1.11", "198.18.1.10"}));
  QCOMPARE(Column(form, 11).first(), QString("02:00:00:00:01:12"));
  QCOMPARE(form.Memo1->toPlainText(),
           QString("198.18.1.10\n198.18.1.11\n198.18.1.12\n198.18.1.30"));
  QVERIFY(form.StaticRadio->isChecked());
  QVERIFY(!form.OKBtn->isEnabled() && form.CancelBtn->isEnabled() && form.Button1->isEnabled());
  QVERIFY(form.StaticRadio->toolTip().contains("\"Static IP Allocation\""));
  QVERIFY(form.Button2->text().startsWith("Send API Cmd"));
  QVERIFY(form.ComboBox1->currentText().startsWith("NoChange"));
  QCOMPARE(form.ComboBox2->currentText(), QString("IP"));
}

void GroupIpSetupFormTest::octetFieldsFilterAndMoveOn() {
  Fixture f;
  TGroupIpSetupForm form;
  f.Prepare(form);
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  form.Edit1->setFocus();
  QTest::keyClicks(form.Edit1, "1a9");
  QCOMPARE(form.Edit1->text(), QString("19"));
  QTest::keyClick(form.Edit1, Qt::Key_Period);
  QCOMPARE(form.Edit1->text(), QString("19"));
  QTRY_VERIFY(form.Edit2->hasFocus());
  QTest::keyClicks(form.Edit2, "1234");
  QCOMPARE(form.Edit2->text(), QString("123"));  // three characters at most
  form.ComboBox2->setCurrentIndex(1);             // "Gateway"
  QVERIFY(form.Edit1->text().isEmpty() && form.Edit2->text().isEmpty());
}

void GroupIpSetupFormTest::assignThenStaticRunWritesEachOutcome() {
  ScriptedPrompts prompts;
  Fixture f("1");
  f.replies = {"", "Kestrilon,03,ErrorIDPW,198.18.1.11,02:00:00:00:01:11",
               "Kestrilon,03,ErrorCmd,198.18.1.10,02:00:00:00:01:10"};
  prompts.signInAnswers.push_back({true, {"root", "pw1", true}});
  TGroupIpSetupForm form;
  f.Prepare(form);
  form.show();
  form.Edit1->setText("198");
  form.Edit2->setText("18");
  form.Edit3->setText("1");
  form.Edit4->setText("10");
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  // 10, 11 and 12 are the devices' own, 30 is taken too.
  QCOMPARE(Column(form, 3), (QStringList{"198.18.1.13", "198.18.1.14", "198.18.1.15"}));
  QVERIFY(form.OKBtn->isEnabled());

  QSignalSpy finished(&form, &TGroupIpSetupForm::runFinished);
  QTest::mouseClick(form.OKBtn, Qt::LeftButton);
  QCOMPARE(prompts.signIns.size(), std::size_t(1));
  QVERIFY(form.Running());
  QVERIFY(!form.OKBtn->isEnabled() && !form.CancelBtn->isEnabled() && !form.DHCPRadio->isEnabled());
  QVERIFY(!form.Button2->isEnabled());  // no API command races the run for column 3
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  QCOMPARE(Column(form, 3), (QStringList{"Successfully allocated.", "Username or password Error.",
                                         "Command Error."}));
  QCOMPARE(Column(form, 14), (QStringList{"root:pw1", "root:pw1", "root:pw1"}));
  QCOMPARE(prompts.messages.back().text,
           QString("Control package sent.\nPlease try to re-search the device after one minute."));
  QVERIFY(form.OKBtn->isEnabled() && !form.CancelBtn->isEnabled() && form.Button2->isEnabled());
  QCOMPARE(f.opened, 3);
  QTest::mouseClick(form.OKBtn, Qt::LeftButton);  // after the run OK closes
  QVERIFY(!form.isVisible());
}

void GroupIpSetupFormTest::dhcpCancelledThenConfirmed() {
  ScriptedPrompts prompts;
  prompts.messageAnswers = {Prompts::Answer::Cancel, Prompts::Answer::Ok};
  Fixture f;
  TGroupIpSetupForm form;
  f.Prepare(form);
  form.show();
  form.Edit1->setText("198");
  form.Edit2->setText("18");
  form.Edit3->setText("1");
  form.Edit4->setText("100");
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  QTest::mouseClick(form.DHCPRadio, Qt::LeftButton);
  QCOMPARE(prompts.messages.size(), std::size_t(1));
  QCOMPARE(prompts.messages[0].caption, QString("Notice!"));
  QCOMPARE(prompts.messages[0].buttons, Prompts::Buttons::OkCancel);
  QCOMPARE(Column(form, 3), (QStringList{"", "", ""}));
  QCOMPARE(form.StringGrid1->horizontalHeaderItem(3)->text(), QString("DHCP Allocation Status"));
  QVERIFY(!form.Button1->isEnabled() && form.OKBtn->isEnabled());
  QCOMPARE(f.opened, 0);

  QSignalSpy finished(&form, &TGroupIpSetupForm::runFinished);
  QTest::mouseClick(form.DHCPRadio, Qt::LeftButton);
  QVERIFY(!form.StaticRadio->isEnabled() && !form.OKBtn->isEnabled());
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  QCOMPARE(Column(form, 3), (QStringList{"Successfully allocated.", "Successfully allocated.",
                                         "Successfully allocated."}));
  QVERIFY(prompts.signIns.empty());  // no device asks for credentials
  QVERIFY(form.OKBtn->isEnabled() && !form.StaticRadio->isEnabled());
}

void GroupIpSetupFormTest::headerClicksSortBothWays() {
  Fixture f;
  TGroupIpSetupForm form;
  f.Prepare(form);
  form.show();
  QHeaderView* header = form.StringGrid1->horizontalHeader();
  const int x = header->sectionViewportPosition(2) + 5;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  QCOMPARE(Column(form, 2), (QStringList{"198.18.1.10", "198.18.1.11", "198.18.1.12"}));
  QCOMPARE(Column(form, 0), (QStringList{"1", "2", "3"}));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  QCOMPARE(Column(form, 2), (QStringList{"198.18.1.12", "198.18.1.11", "198.18.1.10"}));
}

QTEST_MAIN(GroupIpSetupFormTest)
#include "group_ip_setup_form_test.moc"
