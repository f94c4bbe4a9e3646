// The single-device network dialog: its controls, the network type, the input filters, the
// exit check, and Apply over a scripted channel with scripted prompts.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "dialogs/scripted_prompts.h"
#include "language/apply_language.h"
#include "netconfig/net_form.h"
#include "netconfig/network_setup_command.h"
#include "netconfig/netconfig_widgets.h"
#include "protocol/control_package.h"
#include "support/fake_control_channel.h"

using namespace scanvale;
using scanvale::testing::BorrowedChannel;
using scanvale::testing::FakeControlChannel;

namespace {

tComUnitInfo Camera(const char* idpw = "1", const char* model = "Cam,X") {
  return MakeRecord({{Field::model, model}, {Field::proj, "IP-Cam"}, {Field::name, "gate"},
                     {Field::ip, "198.18.1.20"}, {Field::trigger_port, "80"},
                     {Field::netmask, "255.255.255.0"}, {Field::gateway, "198.18.1.254"},
                     {Field::dns, "198.18.0.53"}, {Field::mac, "02:00:00:00:01:20"},
                     {Field::dev, "7"}, {Field::idpw, idpw}, {Field::vendor, "Kestrilon"}});
}

ExchangeTiming Quick() {
  ExchangeTiming t;
  t.allAdaptersWindow = std::chrono::milliseconds(200);
  t.allAdaptersPoll = std::chrono::milliseconds(20);
  t.oneAdapterSilence = std::chrono::milliseconds(20);
  return t;
}

}  // namespace

class NetFormTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithTheDeviceAndNoTypeChosen();
  void networkTypeEnablesTheAddressFields();
  void filtersStripWhatMustNotBeSent();
  void leavingAnAddressFieldChecksIt();
  void applyNeedsATypeAndKeepsInputOnCancel();
  void applySendsListensAndReports();
  void commandOpensNothingForANullMac();
};

void NetFormTest::opensWithTheDeviceAndNoTypeChosen() {
  TNetForm form;
  form.ShowDevice(Camera());
  QCOMPARE(form.objectName(), QString("NetForm"));
  QVERIFY(form.windowTitle().startsWith("Network Setup"));
  for (const char* name : {"GroupBox1", "GroupBox2", "LabeledEditModel", "LabeledEditProj",
                           "LabeledEditName", "LabeledEditMac", "RadioButtonDhcp",
                           "RadioButtonStatic", "RadioButtonOvnet", "LabeledEditIP",
                           "LabeledEditGateway", "LabeledEditNetmask", "LabeledEditDNS",
                           "LabeledEditDev", "LabeledEditPort", "ButtonApply", "ButtonClose"})
    QVERIFY2(form.findChild<QWidget*>(name) != nullptr, name);
  QCOMPARE(form.LabeledEditModel->text(), QString("CamX"));  // the comma went at opening
  QCOMPARE(form.LabeledEditIP->text(), QString("198.18.1.20"));
  QCOMPARE(form.LabeledEditPort->text(), QString("80"));
  QVERIFY(LabelOf(form.LabeledEditGateway)->text().startsWith("Gateway"));
  QVERIFY(!form.RadioButtonDhcp->isChecked() && !form.RadioButtonStatic->isChecked());
  QVERIFY(!form.LabeledEditIP->isEnabled());
  QVERIFY(!form.LabeledEditDNS->isEnabled());
  QVERIFY(form.LabeledEditDev->isHidden() && !form.LabeledEditDev->isEnabled());
  QVERIFY(form.RadioButtonOvnet->isHidden());
  QCOMPARE(form.m_DeviceIP, std::string("198.18.1.20"));
  QCOMPARE(form.m_VendorToken, std::string("Kestrilon"));
  QCOMPARE(form.m_IDPW_flag, std::string("1"));
}

void NetFormTest::networkTypeEnablesTheAddressFields() {
  TNetForm form;
  form.ShowDevice(Camera());
  form.show();
  QTest::mouseClick(form.RadioButtonStatic, Qt::LeftButton);
  QVERIFY(form.LabeledEditIP->isEnabled() && form.LabeledEditNetmask->isEnabled());
  QTest::mouseClick(form.RadioButtonDhcp, Qt::LeftButton);
  QVERIFY(!form.LabeledEditIP->isEnabled() && !form.LabeledEditGateway->isEnabled());
  QCOMPARE(form.LabeledEditIP->text(), QString("198.18.1.20"));  // texts stay
}

void NetFormTest::filtersStripWhatMustNotBeSent() {
  TNetForm form;
  form.ShowDevice(Camera());
  form.RadioButtonStatic->setChecked(true);
  form.ClickToChangeNetworkType();
  form.LabeledEditIP->clear();
  QTest::keyClicks(form.LabeledEditIP, "198,18a.1.9");
  QCOMPARE(form.LabeledEditIP->text(), QString("19818.1.9"));
  // A paste with two refused characters leaves the caret two places before its end.
  form.LabeledEditIP->setText("10.0.0.1");
  form.LabeledEditIP->setCursorPosition(5);
  form.LabeledEditIP->insert("2x,3");
  QCOMPARE(form.LabeledEditIP->text(), QString("10.0.230.1"));
  QCOMPARE(form.LabeledEditIP->cursorPosition(), 7);
  form.LabeledEditName->setText("a,b,c");
  QCOMPARE(form.LabeledEditName->text(), QString("abc"));
}

void NetFormTest::leavingAnAddressFieldChecksIt() {
  ScriptedPrompts prompts;
  TNetForm form;
  form.ShowDevice(Camera());
  form.LabeledEditNetmask->setText("255.255.0");
  form.IpEditExit(form.LabeledEditNetmask);
  QCOMPARE(prompts.messages.size(), std::size_t(1));
  QCOMPARE(prompts.messages[0].text, QString("Invalid Netmask - [255.255.0]"));
  QCOMPARE(prompts.messages[0].caption, QString("Warning"));
  form.LabeledEditNetmask->setText("255.255.255.0");
  form.LabeledEditGateway->setText("198.18.2.1");
  form.IpEditExit(form.LabeledEditGateway);
  QCOMPARE(prompts.messages.back().text, QString("Unresonable Gateway - [198.18.2.1]"));
  form.LabeledEditGateway->setText("198.18.1.1");
  form.IpEditExit(form.LabeledEditGateway);
  QCOMPARE(prompts.messages.size(), std::size_t(2));
}

void NetFormTest::applyNeedsATypeAndKeepsInputOnCancel() {
  ScriptedPrompts prompts;
  FakeControlChannel fake;
  TNetForm form;
  form.ShowDevice(Camera("1"));
  form.channelFactory = [&] { return std::make_unique<BorrowedChannel>(fake); };
  form.show();
  form.BtnApplyClick();
  QCOMPARE(prompts.messages.back().text, QString("Please specify the network type first."));
  QVERIFY(prompts.signIns.empty());

  form.RadioButtonStatic->setChecked(true);
  form.ClickToChangeNetworkType();
  form.LabeledEditIP->setText("198.18.1.99");
  form.BtnApplyClick();  // the scripted sign-in is cancelled
  QCOMPARE(prompts.signIns.size(), std::size_t(1));
  QCOMPARE(prompts.signIns[0].promptCaption, MsgText(Msg::InsertIdPw));
  QCOMPARE(prompts.signIns[0].prefill, (tSignInFields{"admin", "8629", false}));
  QVERIFY(form.isVisible());
  QCOMPARE(form.LabeledEditIP->text(), QString("198.18.1.99"));
  QVERIFY(fake.sent.empty());
}

void NetFormTest::applySendsListensAndReports() {
  ScriptedPrompts prompts;
  prompts.signInAnswers.push_back({true, {"root", "pw1", false}});
  FakeControlChannel fake(AdapterMode::kAllAdapters);
  // The refusal, and a device answering the same broadcast: it joins the table as in a search.
  fake.script.push_back(
      {{FakeControlChannel::Wire("Kestrilon,03,ErrorIDPW,198.18.1.20,02:00:00:00:01:20"),
        FakeControlChannel::Wire("Kestrilon,01,KC,IP-Cam,new,198.18.1.77,80,255.255.255.0,"
                                 "198.18.1.1,198.18.1.1,02:00:00:00:01:77,0,n,1,Kestrilon")}});
  DeviceTable table;
  table.AddFoundDevice(Camera("1"));
  TNetForm form;
  form.ShowDevice(Camera("1"));
  form.deviceTable = &table;
  form.timing = Quick();
  form.channelFactory = [&] { return std::make_unique<BorrowedChannel>(fake); };
  form.show();
  form.RadioButtonStatic->setChecked(true);
  form.ClickToChangeNetworkType();
  form.LabeledEditIP->setText("198.18.1.120");
  QSignalSpy finished(&form, &TNetForm::applyFinished);
  form.BtnApplyClick();
  // While it listens the window is alive and both buttons are off.
  QVERIFY(form.Sending());
  QVERIFY(!form.ButtonApply->isEnabled() && !form.ButtonClose->isEnabled());
  form.close();
  QVERIFY(form.isVisible());
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QCOMPARE(prompts.messages.back().text,
           QString("Username or password Error.\nPlease check username & password."));
  QCOMPARE(prompts.messages.back().caption, QString("Notice"));
  QCOMPARE(table.m_DeviceList.size(), std::size_t(2));
  QCOMPARE(table.grid.Cell(kColIp, 2), std::string("198.18.1.77"));
  QCOMPARE(fake.sent.size(), std::size_t(1));
  QCOMPARE(QString::fromStdString(DecodeWire(fake.sent[0]).c_str()),
           QString("Kestrilon,03,CamX,IP-Cam,gate,198.18.1.120,80,255.255.255.0,198.18.1.254,"
                   "198.18.0.53,02:00:00:00:01:20,7,static,4861cd2bc4a6aecd220b5a042528dd47"));
}

void NetFormTest::commandOpensNothingForANullMac() {
  ScriptedPrompts prompts;
  DeviceTable table;
  tComUnitInfo upnp = Camera();
  SetField(upnp.mac, "NULL");
  table.AddFoundDevice(upnp);
  NetworkSetupContext context;
  context.table = &table;
  context.currentRow = 1;
  context.gridRowCount = table.grid.RowCount();
  bool opened = false;
  context.beforeNetForm = [&](TNetForm&) { opened = true; };
  RunNetworkSetup(nullptr, context);
  QVERIFY(!opened);

  // A normal row opens the dialog for its device.
  table.AddFoundDevice(Camera("0", "Other"));
  context.currentRow = 2;
  context.gridRowCount = table.grid.RowCount();
  std::string model;
  context.beforeNetForm = [&](TNetForm& form) {
    model = form.LabeledEditModel->text().toStdString();
    QTimer::singleShot(0, &form, [&form] { form.ButtonCloseClick(); });
  };
  RunNetworkSetup(nullptr, context);
  QCOMPARE(model, std::string("Other"));
}

QTEST_MAIN(NetFormTest)
#include "net_form_test.moc"
