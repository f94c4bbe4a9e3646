// Applying a language table to a Qt window: one widget of every kind, French and back.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include "language/apply_language.h"

using namespace scanvale;

namespace {

const char* const kEnglish =
    "[Info]\r\nLanguage=English\r\n[TestForm]\r\nCaption=Test window\r\n"
    "Label1.Caption=Model\r\nLabel1.Left=10\r\nLabel1.Top=12\r\nLabel1.Width=80\r\n"
    "Button1.Caption=Apply\r\nButton1.Hint=Apply it\r\nButton1.Left=20\r\nButton1.Top=30\r\n"
    "Button1.Width=90\r\nButton1.Height=28\r\n"
    "CheckBox1.Caption=UPnP Search\r\n"
    "GroupBox1.Caption=Search Method\r\n"
    "RadioButton1.Caption=Local Broadcast\r\nRadioButton2.Caption=IP Relay\r\n"
    "ComboBox1.Items.Strings1=English\r\nComboBox1.Items.Strings2=Simplified Chinese\r\n"
    "ComboBox1.Items.Strings3=French\r\n"
    "ComboBox2.Text=<Customized>\r\nComboBox2.Items.Strings1=<Customized>\r\n"
    "LabeledEditIP.EditLabel.Caption=IP Address\r\nLabeledEditIP.Left=100\r\n"
    "LabeledEditIP.Top=200\r\n"
    "Memo1.Lines.Strings1=first line\r\nMemo1.Lines.Strings2=second line\r\n"
    "Info1.Caption=Detail Info.\r\nSpeedButton1.Caption=Go\r\nImage1.Hint=Logo\r\n"
    "Image1.Left=500\r\nButton2.Caption=Placed\r\nButton2.Left=300\r\n";

const char* const kFrench =
    "\xEF\xBB\xBF[Info]\r\nLanguage=French\r\n[TestForm]\r\nCaption=Fenêtre de test\r\n"
    "Label1.Caption=Modèle\r\nLabel1.Left=10\r\nLabel1.Top=12\r\nLabel1.Width=80\r\n"
    "Button1.Caption=Appliquer\r\nButton1.Hint=Appliquer\r\nButton1.Left=20\r\n"
    "Button1.Top=30\r\nButton1.Width=120\r\nButton1.Height=28\r\n"
    "CheckBox1.Caption=Recherche UPnP\r\n"
    "GroupBox1.Caption=Méthode de recherche\r\n"
    "RadioButton1.Caption=Diffusion locale\r\nRadioButton2.Caption=Relais IP\r\n"
    "ComboBox1.Items.Strings1=Anglais\r\nComboBox1.Items.Strings2=Chinois simplifié\r\n"
    "ComboBox1.Items.Strings3=Français\r\n"
    "ComboBox2.Text=<Personnalisé>\r\nComboBox2.Items.Strings1=<Personnalisé>\r\n"
    "LabeledEditIP.EditLabel.Caption=Adresse IP\r\nLabeledEditIP.Left=120\r\n"
    "LabeledEditIP.Top=210\r\n"
    "Memo1.Lines.Strings1=première ligne\r\n"
    "Info1.Caption=Informations détaillées\r\nSpeedButton1.Caption=Aller\r\n"
    "Image1.Hint=Logo FR\r\nImage1.Left=500\r\nButton2.Caption=Placé\r\nButton2.Left=300\r\n";

struct TestForm : QWidget {
  TestForm() {
    setObjectName("TestForm");
    auto named = [](QObject* object, const char* name) { object->setObjectName(name); };
    named(Label1 = new QLabel("Model", this), "Label1");
    named(Button1 = new QPushButton("Apply", this), "Button1");
    named(CheckBox1 = new QCheckBox("UPnP Search", this), "CheckBox1");
    named(GroupBox1 = new QGroupBox("Search Method", this), "GroupBox1");
    named(RadioButton1 = new QRadioButton("Local Broadcast", GroupBox1), "RadioButton1");
    named(RadioButton2 = new QRadioButton("IP Relay", GroupBox1), "RadioButton2");
    named(ComboBox1 = new QComboBox(this), "ComboBox1");
    ComboBox1->addItems({"English", "Simplified Chinese", "French"});
    named(ComboBox2 = new QComboBox(this), "ComboBox2");
    ComboBox2->setEditable(true);
    ComboBox2->addItem("<Customized>");
    named(LabeledEditIP = new QLineEdit(this), "LabeledEditIP");
    IpLabel = new QLabel("IP Address", this);  // its label carries no name of its own
    IpLabel->setBuddy(LabeledEditIP);
    LabeledEditIP->setGeometry(100, 200, 120, 24);
    IpLabel->move(100, 182);
    named(Memo1 = new QPlainTextEdit(this), "Memo1");
    named(SpeedButton1 = new QToolButton(this), "SpeedButton1");
    named(Image1 = new QLabel(this), "Image1");
    QPixmap logo(16, 16);
    logo.fill(Qt::blue);
    Image1->setPixmap(logo);
    Image1->move(400, 0);
    auto* placed = new QWidget(this);
    placed->setGeometry(600, 0, 200, 100);
    auto* layout = new QVBoxLayout(placed);
    named(Button2 = new QPushButton("Placed", placed), "Button2");
    layout->addWidget(Button2);
    Menu = new QMenu(this);
    named(Info1 = Menu->addAction("Detail Info."), "Info1");
    resize(820, 400);
  }
  QLabel* Label1;
  QPushButton* Button1;
  QCheckBox* CheckBox1;
  QGroupBox* GroupBox1;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QComboBox* ComboBox1;
  QComboBox* ComboBox2;
  QLineEdit* LabeledEditIP;
  QLabel* IpLabel;
  QPlainTextEdit* Memo1;
  QToolButton* SpeedButton1;
  QLabel* Image1;
  QPushButton* Button2;
  QMenu* Menu;
  QAction* Info1;
};

}  // namespace

class ApplyLanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void frenchAndBackKeepsStateAndAddsBlanks();
  void typedTextOfAnEditableBoxSurvives();
  void missingLanguageOrSectionChangesNothing();
  void carriedMainFormSection();
};

void ApplyLanguageTest::frenchAndBackKeepsStateAndAddsBlanks() {
  LanguageTables tables;
  LoadLanguageTables(tables, {kEnglish, kFrench});
  TestForm form;
  form.show();
  form.RadioButton2->setChecked(true);
  form.ComboBox1->setCurrentIndex(2);
  const QRect placedBefore = form.Button2->geometry();
  QSignalSpy comboChanges(form.ComboBox1, &QComboBox::currentIndexChanged);
  QSignalSpy radioToggles(form.RadioButton2, &QRadioButton::toggled);

  ApplyLanguage(tables, "French", &form);
  QCOMPARE(form.windowTitle(), QString("Fenêtre de test"));
  QCOMPARE(form.Label1->text(), QString("Modèle  "));
  QCOMPARE(form.Label1->pos(), QPoint(10, 12));
  QCOMPARE(form.Button1->text(), QString("Appliquer  "));
  QCOMPARE(form.Button1->toolTip(), QString("Appliquer"));
  QCOMPARE(form.Button1->geometry(), QRect(20, 30, 120, 28));
  QCOMPARE(form.CheckBox1->text(), QString("Recherche UPnP  "));
  QCOMPARE(form.GroupBox1->title(), QString("Méthode de recherche  "));
  QCOMPARE(form.RadioButton1->text(), QString("Diffusion locale  "));
  QVERIFY(form.RadioButton2->isChecked());
  QVERIFY(!form.RadioButton1->isChecked());
  QCOMPARE(form.ComboBox1->count(), 3);
  QCOMPARE(form.ComboBox1->itemText(0), QString("Anglais"));
  QCOMPARE(form.ComboBox1->currentIndex(), 2);
  QCOMPARE(form.ComboBox1->currentText(), QString("Français"));
  QCOMPARE(form.ComboBox2->currentText(), QString("<Personnalisé>"));
  QCOMPARE(form.IpLabel->text(), QString("Adresse IP  "));
  QCOMPARE(form.LabeledEditIP->pos(), QPoint(120, 210));
  QCOMPARE(form.IpLabel->pos(), QPoint(120, 192));  // the label moves with its edit
  QCOMPARE(form.Memo1->toPlainText(), QString("première ligne"));
  QCOMPARE(form.Info1->text(), QString("Informations détaillées  "));
  QCOMPARE(form.SpeedButton1->text(), QString("Aller  "));
  QCOMPARE(form.Image1->toolTip(), QString("Logo FR"));
  QCOMPARE(form.Image1->pos(), QPoint(400, 0));  // a picture takes its hint only
  QCOMPARE(form.Button2->text(), QString("Placé  "));
  QCOMPARE(form.Button2->geometry(), placedBefore);  // a layout keeps its widget's geometry
  QVERIFY(form.Label1->width() >= form.Label1->sizeHint().width());

  ApplyLanguage(tables, "English", &form);
  QCOMPARE(form.windowTitle(), QString("Test window"));
  QCOMPARE(form.Label1->text(), QString("Model  "));
  QCOMPARE(form.Button1->text(), QString("Apply  "));
  QCOMPARE(form.GroupBox1->title(), QString("Search Method  "));
  QCOMPARE(form.RadioButton2->text(), QString("IP Relay  "));
  QVERIFY(form.RadioButton2->isChecked());
  QCOMPARE(form.ComboBox1->currentText(), QString("French"));
  QCOMPARE(form.ComboBox2->currentText(), QString("<Customized>"));
  QCOMPARE(form.Memo1->toPlainText(), QString("first line\nsecond line"));
  QCOMPARE(form.Info1->text(), QString("Detail Info.  "));
  QVERIFY(CaptionContains(form.Button1->text(), QString("Apply")));
  QCOMPARE(comboChanges.count(), 0);
  QCOMPARE(radioToggles.count(), 0);
}

void ApplyLanguageTest::typedTextOfAnEditableBoxSurvives() {
  LanguageTables tables;
  LoadLanguageTables(tables, {kEnglish, kFrench});
  TestForm form;
  form.ComboBox2->setCurrentIndex(-1);
  form.ComboBox2->setEditText("198.18.0.7");
  form.ComboBox1->addItem("a fourth entry");
  form.ComboBox1->setCurrentIndex(3);
  ApplyLanguage(tables, "French", &form);
  QCOMPARE(form.ComboBox2->currentText(), QString("198.18.0.7"));
  QCOMPARE(form.ComboBox2->itemText(0), QString("<Personnalisé>"));
  QCOMPARE(form.ComboBox1->count(), 3);
  QCOMPARE(form.ComboBox1->currentIndex(), -1);  // an entry the new list lacks is deselected
}

void ApplyLanguageTest::missingLanguageOrSectionChangesNothing() {
  LanguageTables tables;
  LoadLanguageTables(tables, {kEnglish});
  TestForm form;
  form.setWindowTitle("untouched");
  ApplyLanguage(tables, "French", &form);
  ApplyLanguage(tables, "English", &form, "OtherForm");
  QCOMPARE(form.windowTitle(), QString("untouched"));
  QCOMPARE(form.Button1->text(), QString("Apply"));
}

void ApplyLanguageTest::carriedMainFormSection() {
  QWidget main;
  main.setObjectName("MainForm");
  auto* delay = new QPushButton("Middle", &main);
  delay->setObjectName("Button3");
  auto* box = new QComboBox(&main);
  box->setObjectName("ComboBox4");
  box->addItems({"English", "Simplified Chinese", "French"});
  box->setCurrentIndex(2);
  auto* menu = new QMenu(&main);
  QAction* restart = menu->addAction("Restart Device");
  restart->setObjectName("RestartDevice1");

  Lang().LoadTables();
  ApplyLanguage("French", &main);
  QCOMPARE(delay->text(), QString("Moyen  "));
  QCOMPARE(box->currentIndex(), 2);
  QCOMPARE(box->currentText(), QString("Français"));
  QCOMPARE(restart->text(), QString("Redémarrer l'appareil  "));

  ApplyLanguage("Chinese", &main);
  QCOMPARE(box->itemText(1), QString("简体中文"));
  QCOMPARE(delay->text(), QString("中等  "));
  QVERIFY(CaptionContains(delay->text(), QString("中等")));
}

QTEST_MAIN(ApplyLanguageTest)
#include "apply_language_test.moc"
