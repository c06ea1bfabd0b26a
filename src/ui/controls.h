#pragma once
// The window's named controls, typed and grouped by the panel that owns them.
// The window builds them; each member's objectName is its name here (array
// members "name_index"), which automation and accessibility tools rely on.

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QWidget;

namespace tessaro {

// "Haberleşme Ayarları": the model and the link.
struct ConnectionControls {
  QButtonGroup* opsDevice = nullptr;  // ids are DeviceModel values
  QLabel* lblDeviceType = nullptr;
  QComboBox* cmbPortNumber = nullptr;
  QLabel* lblPortDevice = nullptr;  // the device the port number stands for
  QComboBox* cmbBaudRate = nullptr;
  QComboBox* cmbParity = nullptr;
  QCheckBox* chkTCPIPActive = nullptr;
  QLineEdit* txtIP = nullptr;
  QLineEdit* txtPort = nullptr;
};

// "Cihaz Ayarları": the reader's settings and the address scan.
struct SettingsControls {
  QLineEdit* txtOldID = nullptr;
  QLineEdit* txtNewID = nullptr;
  QLineEdit* txtRelayTime = nullptr;
  QLineEdit* txtMasterCardID = nullptr;
  QButtonGroup* opsRunMode = nullptr;  // ids are RunMode values
  QButtonGroup* opsOfflineRecordType = nullptr;
  QButtonGroup* opsWigType = nullptr;
  QButtonGroup* opsStartEPCWord = nullptr;
  std::array<QWidget*, 2> pic90B{};
  std::array<QLabel*, 4> lbl90B{};
  QCheckBox* chkLoop = nullptr;
  QLineEdit* txtLoopTime = nullptr;
  QPushButton* cmdFindID = nullptr;
  QPushButton* cmdCancelScan = nullptr;
  QLabel* lblScan = nullptr;
  QPushButton* cmdReceive = nullptr;
  QPushButton* cmdSend = nullptr;
};

// "Stand-Alone Kart Listesi".
struct CardControls {
  QGroupBox* frKart = nullptr;
  QListWidget* lstCardID = nullptr;
  QLineEdit* txtCardID = nullptr;
  QPushButton* cmdAdd = nullptr;
  QPushButton* cmdDelete = nullptr;
  QPushButton* cmdImport = nullptr;
  QPushButton* cmdExport = nullptr;
  QPushButton* cmdReceiveAllCards = nullptr;
  QPushButton* cmdSendAllCards = nullptr;
  QPushButton* cmdEraseAll = nullptr;
  QLabel* lblCurID = nullptr;
  QLabel* lblMaxCardNum = nullptr;
};

// "Gerçek Zaman Saati".
struct ClockControls {
  QPushButton* cmdSendRTC = nullptr;
  QPushButton* cmdReceiveRTC = nullptr;
  QLabel* lblPCRTC = nullptr;
  QLabel* lblDeviceRTC = nullptr;
};

// "Offline Geçiş Kayıtları".
struct RecordControls {
  QCheckBox* chkClearRAM = nullptr;
  QPushButton* cmdReadData = nullptr;
  QPushButton* cmdOpenFile = nullptr;
  QPushButton* cmdRecordViewer = nullptr;  // opens the record viewer
  QPushButton* cmdReadCounter = nullptr;
  QPushButton* cmdClearCounter = nullptr;
  QLabel* lblRecordCounter = nullptr;
  QLabel* lblProcess = nullptr;
};

struct WindowControls {
  QWidget* body = nullptr;  // holds every control, so the busy state can take input from all
  ConnectionControls connection;
  SettingsControls settings;
  CardControls cards;
  QGroupBox* frTS30P = nullptr;
  ClockControls clock;
  RecordControls records;
  QPushButton* cmdClose = nullptr;
  QPushButton* cmdBusView = nullptr;  // opens the bus view
  QPushButton* cmdTraffic = nullptr;  // opens the traffic monitor
  QPushButton* cmdAccessEditor = nullptr;  // opens who may pass
  QTimer* TTimer = nullptr;
  QTimer* ClockTimer = nullptr;
};

}  // namespace tessaro
