#pragma once
// TForm1: the nineteen UPnP property texts of one root device, read-only. Its labels stay in
// English in every language; only its OK button follows the current language.

#include <QDialog>
#include <array>

#include "discovery/upnp_devices.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace scanvale {

class TForm1 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  // The entry's texts, in entry order, into the nineteen edits.
  void Fill(const DeviceInformationContainer& entry);

  QLineEdit* EditChild;
  QLineEdit* EditDescription;
  QLineEdit* EditFriendName;
  QLineEdit* EditHasCh;
  QLineEdit* EditIconURL;
  QLineEdit* EditIsRooDev;
  QLineEdit* EditManuName;
  QLineEdit* EditManuURL;
  QLineEdit* EditModelName;
  QLineEdit* EditModelNum;
  QLineEdit* EditModelURL;
  QLineEdit* EditParentDev;
  QLineEdit* EditPresURL;
  QLineEdit* EditRootDev;
  QLineEdit* EditSeriaNum;
  QLineEdit* EditService;
  QLineEdit* EditType;
  QLineEdit* EditUniqName;
  QLineEdit* EditUPC;
  QPushButton* BitBtn1;

  // The edits and their labels (Label1 .. Label19) in entry order.
  std::array<QLineEdit*, kUpnpTextCount> Edits() const;
  std::array<QLabel*, kUpnpTextCount> labels{};
};

}  // namespace scanvale
