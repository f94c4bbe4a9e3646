// The main window's other ways of finding devices, in the lab: an IP Relay search with the
// protocol "HttpCmd" lists the relay host's page, and a broadcast search with "UPnP Search"
// adds the UPnP cameras below the broadcast devices; "Detail Info." shows either kind.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>

#include "dialogs/scripted_prompts.h"
#include "discovery/detail_info.h"
#include "discovery/form_info.h"
#include "discovery/upnp_discovery.h"
#include "discovery/upnp_info_form.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

using namespace scanvale;

namespace {

// moc reads "//" inside a raw string as a comment: the URLs escape their slashes (JSON "\/").
const char* kSite = R"({
  "devices": [
    {"model": "KC-2100", "proj": "IP-Cam", "name": "Lobby", "ip": "198.18.1.10",
     "trigger_port": "80", "netmask": "255.255.255.0", "gateway": "198.18.1.254",
     "dns": "198.18.1.254", "mac": "00:0F:7C:01:00:10", "dev": "cam", "note": "n", "idpw": "1",
     "vendor": "Kestrilon", "link": 0, "reply": "unicast"}
  ],
  "relay_pages": [
    {"ip": "198.18.2.30", "link": 1, "devices": "all",
     "rows": [["KN-1600", "NVR", "Rack", "198.18.2.20", "8080", "255.255.255.0", "00:0F:7C:01:00:20"],
              ["KN-1600", "NVR", "Rack", "198.18.2.20", "8080", "255.255.255.0", "00:0F:7C:01:00:20"]]}
  ],
  "upnp_devices": [
    {"ip": "198.18.1.50", "link": 0, "udn": "uuid:axis-door", "manufacturer": "AXIS",
     "friendly_name": "AXIS 211", "model_description": "Door camera", "model_name": "211",
     "presentation_url": "http:\/\/198.18.1.50/"},
    {"ip": "198.18.3.51", "link": 2, "udn": "uuid:vivotek-yard", "manufacturer": "Vivotek",
     "friendly_name": "Yard (FD8134) cam", "model_name": "FD8134",
     "presentation_url": "http:\/\/198.18.3.51:8080/index.html"},
    {"ip": "198.18.1.52", "link": 0, "udn": "uuid:router", "manufacturer": "Other Corp",
     "friendly_name": "router (x) box", "model_name": "R", "presentation_url": "http:\/\/198.18.1.52/"}
  ]})";

void ChooseAllAdapters(TMainForm& form) {
  const int last = form.ComboBox3->count() - 1;
  form.ComboBox3->setCurrentIndex(last);
  form.ComboBox3->setEditText(form.ComboBox3->itemText(last));
}

int RowOfIp(TMainForm& form, const std::string& ip) {
  const DeviceGrid& grid = form.m_State.table.grid;
  for (int r = 1; r <= grid.DeviceRowCount(); ++r)
    if (grid.Cell(kColIp, r) == ip) return r;
  return -1;
}

}  // namespace

class DiscoveryLabTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!testing::InsideLab()) QFAIL("refusing to open sockets outside a lab (scripts/lab run)");
    QVERIFY(appdata_.isValid());
    qputenv("APPDATA", appdata_.path().toLocal8Bit());
    sim_ = std::make_unique<testing::DevSim>(kSite);
    QVERIFY(sim_->running());
  }
  void cleanupTestCase() { sim_.reset(); }
  void cleanup() { SetDetailWindowRunner({}); }

  void httpRelaySearchListsThePage() {
    ScriptedPrompts prompts;
    TMainForm form;
    form.FormCreate();
    form.show();
    form.RadioButton2->setChecked(true);
    form.RadioButton2Click();
    form.ComboBox1->setEditText("198.18.2.30");
    form.ComboBox2->setEditText("HttpCmd");
    QSignalSpy finished(&form, &TMainForm::searchFinished);
    form.Button1Click();
    QVERIFY(!form.Button1->isEnabled());
    QVERIFY(finished.wait(30000));

    QCOMPARE(form.Label1->text(), QString("3 device(s) found!"));
    QCOMPARE(form.StringGrid1->rowCount(), 3);
    QVERIFY(form.Button1->isEnabled() && form.Button2->isEnabled());
    const auto requests = sim_->WaitForRecords(1, std::chrono::seconds(1), [](const auto& r) {
      return r.proto == "http" && r.bytes.rfind("GET /device.get?DeviceType=ALL HTTP/1.1\r\n", 0) == 0;
    });
    QVERIFY(!requests.empty());

    // The page listed the recorder twice: its row opens one window per record.
    std::vector<QString> names;
    SetDetailWindowRunner([&](QDialog& window) {
      auto* info = qobject_cast<TFormInfo*>(&window);
      QVERIFY(info != nullptr);
      names.push_back(info->EditName->text() + " " + info->EditMac->text());
    });
    form.m_Grid.m_CurrentRow = RowOfIp(form, "198.18.2.20");
    QVERIFY(form.m_Grid.m_CurrentRow > 0);
    form.Info1Click();
    QCOMPARE(names, (std::vector<QString>{"Rack 00:0F:7C:01:00:20", "Rack 00:0F:7C:01:00:20"}));
    QVERIFY(form.close());
  }

  void upnpSearchAddsTheCamerasBelowTheBroadcastDevices() {
    ScriptedPrompts prompts;
    TMainForm form;
    form.FormCreate();
    form.show();
    // The settings file remembers the last test's IP Relay.
    form.RadioButton1->setChecked(true);
    form.RadioButton1Click();
    ChooseAllAdapters(form);
    QTest::mouseClick(form.Button3, Qt::LeftButton);  // Long
    QTest::mouseClick(form.Button3, Qt::LeftButton);  // Short
    form.CheckBox1->setChecked(true);
    form.m_Upnp->m_UpnpEngine.options.window = std::chrono::milliseconds(2500);
    QSignalSpy finished(&form, &TMainForm::searchFinished);
    form.Button1Click();
    QVERIFY(finished.wait(30000));
    // The broadcast part is in; the UPnP part keeps the search button.
    QTRY_VERIFY_WITH_TIMEOUT(!form.m_Upnp->m_UpnpEngine.Busy(), 20000);
    QCOMPARE(form.Label1->text(), QString("3 device(s) found!"));
    QCOMPARE(form.StringGrid1->rowCount(), 3);
    QVERIFY(form.Button1->isEnabled() && form.Button2->isEnabled() && form.Button3->isEnabled());
    QCOMPARE(form.Button1->text().trimmed(), QString("Scanvale"));

    const DeviceGrid& grid = form.m_State.table.grid;
    QCOMPARE(grid.Cell(kColIp, 1), std::string("198.18.1.10"));
    const int door = RowOfIp(form, "198.18.1.50");
    const int yard = RowOfIp(form, "198.18.3.51");
    QVERIFY(door > 1 && yard > 1);
    QCOMPARE(grid.Row(door), (GridRow{"Axis 200 Series", "Axis 200 Series", "Door camera",
                                      "198.18.1.50", "80", "NULL", "NULL", ""}));
    QCOMPARE(grid.Row(yard), (GridRow{"VivoTek 7000 Series", "VivoTek 7000 Series", "Yard ",
                                      "198.18.3.51", "8080", "NULL", "NULL", ""}));
    QCOMPARE(form.StringGrid1->item(door - 1, kColMac)->text(), QString("NULL"));

    std::vector<QString> shown;
    SetDetailWindowRunner([&](QDialog& window) {
      if (auto* upnp = qobject_cast<TForm1*>(&window))
        shown.push_back("Form1 " + upnp->EditUniqName->text());
      else
        shown.push_back("FormInfo " + qobject_cast<TFormInfo*>(&window)->EditIP->text());
    });
    for (int row : {1, door, yard}) {
      form.m_Grid.m_CurrentRow = row;
      form.Info1Click();
    }
    QCOMPARE(shown, (std::vector<QString>{"FormInfo 198.18.1.10", "Form1 uuid:axis-door",
                                          "Form1 uuid:vivotek-yard"}));
    QVERIFY(form.close());
  }

 private:
  QTemporaryDir appdata_;
  std::unique_ptr<testing::DevSim> sim_;
};

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  DiscoveryLabTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "discovery_lab_test.moc"
