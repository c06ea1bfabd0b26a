#pragma once
// Every text the user reads, in one place. Users and their manuals know them
// word for word, so they stand exactly as written; captions carry the name of
// their control.
//
// The Turkish words are also the key of the English window (--lang en): each
// is marked with QT_TRANSLATE_NOOP("text", …) so that lupdate lists it in
// translations/tessaro_en.ts, and it is looked up when it is shown, not when
// the program starts. A new text needs its English line there as well.

#include <QCoreApplication>
#include <QString>
#include <utility>

namespace tessaro::text {

// One text: the Turkish words as written here, shown through the translator
// the window's language installed (none for Turkish, so exactly these words).
class Text {
 public:
  static constexpr const char* kContext = "text";  // the first word of every QT_TRANSLATE_NOOP below

  constexpr Text(const char* source) : source_(source) {}  // NOLINT(google-explicit-constructor): a literal

  QString translated() const { return QCoreApplication::translate(kContext, source_); }
  operator QString() const { return translated(); }  // NOLINT(google-explicit-constructor)
  template <typename... Args>
  QString arg(Args&&... args) const {
    return translated().arg(std::forward<Args>(args)...);
  }

 private:
  const char* source_;
};

inline QString operator+(const Text& a, const Text& b) { return a.translated() + b.translated(); }
inline QString operator+(const Text& a, const QString& b) { return a.translated() + b; }
inline QString operator+(const QString& a, const Text& b) { return a + b.translated(); }
inline QString operator+(const char* a, const Text& b) { return QString::fromUtf8(a) + b.translated(); }
inline QString operator+(const Text& a, const char* b) { return a.translated() + QString::fromUtf8(b); }

using S = const Text;

inline S kAppTitle = QT_TRANSLATE_NOOP("text", "Tessaro TS-20,30,40,90 Konfigürasyon V3.0");
inline S kWindowCaption = QT_TRANSLATE_NOOP("text", "Tessaro TS-20,TS-30,TS-40,TS-90 Okuyucu Konfigürasyon V3.0");

// Captions of the controls and of the labels beside them.
namespace caption {
inline S Frame1 = QT_TRANSLATE_NOOP("text", "Haberleşme Ayarları");
inline S ComPort = QT_TRANSLATE_NOOP("text", "COM Port:");
inline S BaudRate = QT_TRANSLATE_NOOP("text", "Baud Rate:");
inline S Parity = QT_TRANSLATE_NOOP("text", "Parity:");
inline S cmbParity[3] = {QT_TRANSLATE_NOOP("text", "Tek"), QT_TRANSLATE_NOOP("text", "Çift"),
                         QT_TRANSLATE_NOOP("text", "Yok")};
inline S TcpActive = QT_TRANSLATE_NOOP("text", "TCPIP Aktif:");
inline S IpAddress = QT_TRANSLATE_NOOP("text", "IP Adres:");
inline S TcpPort = QT_TRANSLATE_NOOP("text", "TCP Port:");

inline S frSettings = QT_TRANSLATE_NOOP("text", "Cihaz Ayarları");
inline S OldId = QT_TRANSLATE_NOOP("text", "Mevcut Cihaz ID:");
inline S NewId = QT_TRANSLATE_NOOP("text", "Yeni Cihaz ID:");
inline S RelayTime = QT_TRANSLATE_NOOP("text", "Röle Süresi:");
inline S MasterCard = QT_TRANSLATE_NOOP("text", "Master Kart ID:");
inline S RunMode = QT_TRANSLATE_NOOP("text", "Çalışma Modu:");
inline S opsRunMode[3] = {QT_TRANSLATE_NOOP("text", "Stand-Alone"), QT_TRANSLATE_NOOP("text", "Online"),
                          QT_TRANSLATE_NOOP("text", "Read-Only")};
inline S RecordType = QT_TRANSLATE_NOOP("text", "Offline Kayıt Tipi:");
inline S opsOfflineRecordType[2] = {QT_TRANSLATE_NOOP("text", "Giriş"), QT_TRANSLATE_NOOP("text", "Çıkış")};
inline S lbl90B[4] = {QT_TRANSLATE_NOOP("text", "Wiegand Tipi:"), QT_TRANSLATE_NOOP("text", "EPC Wiegand Adres:"),
                      QT_TRANSLATE_NOOP("text", "Araç Dedektörü:"), QT_TRANSLATE_NOOP("text", "Tetikleme Süresi:")};
inline S opsWigType[2] = {QT_TRANSLATE_NOOP("text", "Wiegand 26"), QT_TRANSLATE_NOOP("text", "Wiegand 34")};
inline S opsStartEPCWord[2] = {QT_TRANSLATE_NOOP("text", "4"), QT_TRANSLATE_NOOP("text", "6")};
inline S cmdFindID = QT_TRANSLATE_NOOP("text", "Cihaz ID Bul");
inline S cmdCancelScan = QT_TRANSLATE_NOOP("text", "İptal");
inline S cmdReceive = QT_TRANSLATE_NOOP("text", "Ayarları Al");
inline S cmdSend = QT_TRANSLATE_NOOP("text", "Ayarları Gönder");

inline S frKart = QT_TRANSLATE_NOOP("text", "Stand-Alone Kart Listesi");
inline S CardId = QT_TRANSLATE_NOOP("text", "Kart ID:");
inline S cmdAdd = QT_TRANSLATE_NOOP("text", "<< Ekle");
inline S cmdDelete = QT_TRANSLATE_NOOP("text", "Sil >>");
inline S cmdImport = QT_TRANSLATE_NOOP("text", "Dosyadan Al");
inline S cmdExport = QT_TRANSLATE_NOOP("text", "Dosyaya Kaydet");
inline S cmdReceiveAllCards = QT_TRANSLATE_NOOP("text", "Tümünü Cihazdan Al");
inline S cmdSendAllCards = QT_TRANSLATE_NOOP("text", "Tümünü Cihaza Gönder");
inline S cmdEraseAll = QT_TRANSLATE_NOOP("text", "Tüm Kart Hafızasını Sil");
inline S Label3 = QT_TRANSLATE_NOOP("text", "İptal için 'ESC' tuşuna basınız");
inline S MaxCards = QT_TRANSLATE_NOOP("text", "Maksimum Kart Sayısı:");

inline S frTS30P = QT_TRANSLATE_NOOP("text", "Özel İşlemler (TS-30P İçin)");
inline S frRTC = QT_TRANSLATE_NOOP("text", "Gerçek Zaman Saati");
inline S cmdSendRTC = QT_TRANSLATE_NOOP("text", "Saati Ayarla");
inline S cmdReceiveRTC = QT_TRANSLATE_NOOP("text", "Saati Oku");
inline S PcClock = QT_TRANSLATE_NOOP("text", "PC Saati:");
inline S DeviceClock = QT_TRANSLATE_NOOP("text", "Cihaz Saati:");
inline S frLOGMemory = QT_TRANSLATE_NOOP("text", "Offline Geçiş Kayıtları");
inline S chkClearRAM = QT_TRANSLATE_NOOP("text", "Alındıktan Sonra Hafızayı Temizle");
inline S cmdReadData = QT_TRANSLATE_NOOP("text", "Oku - Kaydet");
inline S cmdOpenFile = QT_TRANSLATE_NOOP("text", "Dosyayı Aç");
inline S cmdReadCounter = QT_TRANSLATE_NOOP("text", "Kayıt Sayısı");
inline S cmdClearCounter = QT_TRANSLATE_NOOP("text", "Hafızayı Sil");
inline S Label12 = QT_TRANSLATE_NOOP("text", "Kayıt Sayısı:");
inline S cmdClose = QT_TRANSLATE_NOOP("text", "Programı Kapat");
inline S cmdBusView = QT_TRANSLATE_NOOP("text", "Hat Görünümü");
inline S cmdTraffic = QT_TRANSLATE_NOOP("text", "Haberleşme İzleme");

// The bus view.
inline S frmBus = QT_TRANSLATE_NOOP("text", "Hat Görünümü");
inline S BusAddresses = QT_TRANSLATE_NOOP("text", "Adresler:");
inline S cmdBusScan = QT_TRANSLATE_NOOP("text", "Tara");
inline S cmdBusCancel = QT_TRANSLATE_NOOP("text", "İptal");
inline S tblBus[8] = {QT_TRANSLATE_NOOP("text", "Adres"),        QT_TRANSLATE_NOOP("text", "Model"),      QT_TRANSLATE_NOOP("text", "Çalışma Modu"),
                      QT_TRANSLATE_NOOP("text", "Röle Süresi"),  QT_TRANSLATE_NOOP("text", "Kayıt Tipi"), QT_TRANSLATE_NOOP("text", "Saat Farkı (sn)"),
                      QT_TRANSLATE_NOOP("text", "Kayıt Sayısı"), QT_TRANSLATE_NOOP("text", "Sonuç")};
inline S chkBusFullWait = QT_TRANSLATE_NOOP("text", "Tam Bekleme");
inline S tblBusMasterCard = QT_TRANSLATE_NOOP("text", "Master Kart");
inline S cmdBusSettings = QT_TRANSLATE_NOOP("text", "Ayarları Oku");
inline S cmdBusClock = QT_TRANSLATE_NOOP("text", "Saatleri Eşitle");
inline S BusMaxDrift = QT_TRANSLATE_NOOP("text", "En fazla fark (sn):");
inline S cmdBusCards = QT_TRANSLATE_NOOP("text", "Kart Listesini Gönder");
inline S cmdBusRecords = QT_TRANSLATE_NOOP("text", "Kayıtları Al");
inline S chkBusErase = QT_TRANSLATE_NOOP("text", "Alındıktan Sonra Hafızayı Temizle");
inline S cmdBusCounts = QT_TRANSLATE_NOOP("text", "Kayıt Sayılarını Oku");
inline S cmdBusRetry = QT_TRANSLATE_NOOP("text", "Başarısızları Tekrarla");
inline S cmdBusExport = QT_TRANSLATE_NOOP("text", "CSV Olarak Kaydet");
inline S cmdBusSaveLine = QT_TRANSLATE_NOOP("text", "Hattı Kaydet…");
inline S cmdBusCompare = QT_TRANSLATE_NOOP("text", "Dosyayla Karşılaştır…");
inline S cmdBusApply = QT_TRANSLATE_NOOP("text", "Dosyayı Uygula…");

// The traffic monitor.
inline S frmTraffic = QT_TRANSLATE_NOOP("text", "Haberleşme İzleme");
inline S TrafficAddress = QT_TRANSLATE_NOOP("text", "Adres:");
inline S TrafficCommand = QT_TRANSLATE_NOOP("text", "Komut:");
inline S chkTrafficErrors = QT_TRANSLATE_NOOP("text", "Yalnız hatalar");
inline S cmdTrafficClear = QT_TRANSLATE_NOOP("text", "Temizle");
inline S cmdTrafficText = QT_TRANSLATE_NOOP("text", "Metin Olarak Kaydet");
inline S cmdTrafficCsv = QT_TRANSLATE_NOOP("text", "CSV Olarak Kaydet");
inline S tblTraffic[8] = {QT_TRANSLATE_NOOP("text", "Zaman (ms)"), QT_TRANSLATE_NOOP("text", "Yön"),     QT_TRANSLATE_NOOP("text", "Adres"),
                          QT_TRANSLATE_NOOP("text", "Komut"),      QT_TRANSLATE_NOOP("text", "Uzunluk"), QT_TRANSLATE_NOOP("text", "Onaltılık"),
                          QT_TRANSLATE_NOOP("text", "Metin"),      QT_TRANSLATE_NOOP("text", "Durum")};

// The record viewer.
inline S cmdRecordViewer = QT_TRANSLATE_NOOP("text", "Kayıt Görüntüleyici");
inline S frmRecords = QT_TRANSLATE_NOOP("text", "Kayıt Görüntüleyici");
inline S RecordsFrom = QT_TRANSLATE_NOOP("text", "Başlangıç:");
inline S RecordsTo = QT_TRANSLATE_NOOP("text", "Bitiş:");
inline S RecordsReaders = QT_TRANSLATE_NOOP("text", "Okuyucular:");
inline S RecordsCard = QT_TRANSLATE_NOOP("text", "Kart ID:");
inline S cmdRecordsFilter = QT_TRANSLATE_NOOP("text", "Listele");
inline S cmdRecordsHolders = QT_TRANSLATE_NOOP("text", "Kart Sahiplerini Al");
inline S cmdRecordsExport = QT_TRANSLATE_NOOP("text", "CSV Olarak Kaydet");
inline S tblRecords[6] = {QT_TRANSLATE_NOOP("text", "Tarih - Saat"), QT_TRANSLATE_NOOP("text", "Hat"), QT_TRANSLATE_NOOP("text", "Okuyucu"),
                          QT_TRANSLATE_NOOP("text", "Kart ID"),      QT_TRANSLATE_NOOP("text", "Yön"), QT_TRANSLATE_NOOP("text", "Kart Sahibi")};

// The access editor: who may pass which door.
inline S cmdAccessEditor = QT_TRANSLATE_NOOP("text", "Kart Sahipleri ve Yetkiler");
inline S frmAccess = QT_TRANSLATE_NOOP("text", "Kart Sahipleri ve Yetkiler");
inline S tabAccess[3] = {QT_TRANSLATE_NOOP("text", "Kart Sahipleri"), QT_TRANSLATE_NOOP("text", "Gruplar ve Kapılar"),
                         QT_TRANSLATE_NOOP("text", "Planla ve Uygula")};
inline S HolderSearch = QT_TRANSLATE_NOOP("text", "Ara (ad ya da kart):");
inline S HolderName = QT_TRANSLATE_NOOP("text", "Ad Soyad:");
inline S HolderNote = QT_TRANSLATE_NOOP("text", "Not:");
inline S chkHolderEnabled = QT_TRANSLATE_NOOP("text", "Aktif");
inline S HolderFrom = QT_TRANSLATE_NOOP("text", "Geçerlilik Başlangıcı:");
inline S HolderUntil = QT_TRANSLATE_NOOP("text", "Geçerlilik Bitişi:");
inline S HolderDatesHint = QT_TRANSLATE_NOOP("text", "GG/AA/YYYY, boş: sınırsız");
inline S HolderCards = QT_TRANSLATE_NOOP("text", "Kart ID'leri:");
inline S HolderGroups = QT_TRANSLATE_NOOP("text", "Gruplar:");
inline S HolderDoors = QT_TRANSLATE_NOOP("text", "Gruplarından Ayrı Geçebileceği Kapılar:");
inline S cmdHolderNew = QT_TRANSLATE_NOOP("text", "Yeni");
inline S cmdHolderAdd = QT_TRANSLATE_NOOP("text", "Ekle");
inline S cmdHolderSave = QT_TRANSLATE_NOOP("text", "Kaydet");
inline S cmdHolderDisable = QT_TRANSLATE_NOOP("text", "Devre Dışı Bırak");
inline S GroupName = QT_TRANSLATE_NOOP("text", "Grup Adı:");
inline S cmdGroupAdd = QT_TRANSLATE_NOOP("text", "Grup Ekle");
inline S GroupDoors = QT_TRANSLATE_NOOP("text", "Grubun Geçebileceği Kapılar:");
inline S cmdGroupSave = QT_TRANSLATE_NOOP("text", "Kapıları Kaydet");
inline S tblDoors[4] = {QT_TRANSLATE_NOOP("text", "Hat"), QT_TRANSLATE_NOOP("text", "Adres"), QT_TRANSLATE_NOOP("text", "Kapı"),
                        QT_TRANSLATE_NOOP("text", "Model")};
inline S DoorName = QT_TRANSLATE_NOOP("text", "Kapı Adı:");
inline S cmdDoorName = QT_TRANSLATE_NOOP("text", "Adını Değiştir");
inline S DoorsFromSite = QT_TRANSLATE_NOOP("text", "Kapılar ve hatlar 'tessaro-cli site load' ya da 'door add' ile eklenir.");
inline S cmdPlan = QT_TRANSLATE_NOOP("text", "Planla");
inline S cmdApply = QT_TRANSLATE_NOOP("text", "Uygula");
inline S cmdStopApply = QT_TRANSLATE_NOOP("text", "Durdur");
inline S chkAccessUnreadable = QT_TRANSLATE_NOOP("text", "Kart listesini veremeyen okuyuculara da tüm listeyi gönder");
inline S tblAccessPlan[5] = {QT_TRANSLATE_NOOP("text", "Hat"), QT_TRANSLATE_NOOP("text", "Kapı"), QT_TRANSLATE_NOOP("text", "Model"),
                             QT_TRANSLATE_NOOP("text", "Yazılacak"), QT_TRANSLATE_NOOP("text", "Durum")};
}  // namespace caption

// Opening the link.
inline S kTcpOpenFailed = QT_TRANSLATE_NOOP("text", "TCPIP Portu Açılamadı");
inline S kSerialOpenFailed = QT_TRANSLATE_NOOP("text", "Haberleşme Portu Açılamadı");
// "<device>: bu kullanıcının portu kullanma izni yok. …": the reason and the group to join.
QString SerialDenied(const QString& device);

// Device settings.
inline S kAskOldId = QT_TRANSLATE_NOOP("text", "Lütfen cihazın mevcut ID'sini giriniz");
inline S kAskNewId = QT_TRANSLATE_NOOP("text", "Lütfen 1-255 arası bir ID giriniz");
inline S kAskRelayTime = QT_TRANSLATE_NOOP("text", "Lütfen 1-64 snd arası bir röle süresi giriniz");
inline S kAskMasterCard = QT_TRANSLATE_NOOP("text", "Lütfen geçerli bir Master Kart ID'si giriniz");
inline S kAskLoopTime = QT_TRANSLATE_NOOP("text", "Lütfen 1-9 snd arası bir röle süresi giriniz");
inline S kReceiveFailed = QT_TRANSLATE_NOOP("text", "Ayarlar alınamadı.");
inline S kSendQuestion = QT_TRANSLATE_NOOP("text", "Cihaza yeni ayarları göndermek istiyor musunuz?");
inline S kSent = QT_TRANSLATE_NOOP("text", "Ayarlar gönderildi");
inline S kSendFailed = QT_TRANSLATE_NOOP("text", "Ayarlar gönderilemedi.");
inline S kTimedOut = QT_TRANSLATE_NOOP("text", " (Zaman aşımı)");
inline S kErrorOccurred = QT_TRANSLATE_NOOP("text", " (Hata oluştu)");
inline S kScanning = QT_TRANSLATE_NOOP("text", "Deniyor...");
inline S kScanCancelled = QT_TRANSLATE_NOOP("text", "Tarama İptal Edildi");
inline S kFound = QT_TRANSLATE_NOOP("text", "Cihaz ID Bulundu, ID:");
inline S kNotFound = QT_TRANSLATE_NOOP("text", "Cihaz bulunamadı");

// Card list.
inline S kInvalidCardId = QT_TRANSLATE_NOOP("text", "Lütfen geçerli bir 'Kart ID' giriniz.");
inline S kCardFileFilter = QT_TRANSLATE_NOOP("text", "Veri Dosyaları (*.txt)|*.txt");
inline S kExportTitle = QT_TRANSLATE_NOOP("text", "Dosyaya Kaydet");
inline S kImportTitle = QT_TRANSLATE_NOOP("text", "Aç");
inline S kInvalidFileName = QT_TRANSLATE_NOOP("text", "Geçersiz dosya adı!");
inline S kFileNotWritten = QT_TRANSLATE_NOOP("text", "Dosya kaydedilemedi!");
inline S kFileNotRead = QT_TRANSLATE_NOOP("text", "Dosya okunamadı!");
inline S kImportQuestion = QT_TRANSLATE_NOOP(
    "text", "Mevcut kart listesi silinecek ve dosyadaki kartlar listeye eklenecek. Onaylıyor musunuz?");
inline S kSendCardsQuestion = QT_TRANSLATE_NOOP("text", "Seçilen kart numaralarını göndermekistiyor musunuz?");
inline S kListEmpty = QT_TRANSLATE_NOOP("text", "Kart listesi boş");
inline S kStopped = QT_TRANSLATE_NOOP("text", "İşlem durduruldu");
inline S kRetryQuestion = QT_TRANSLATE_NOOP("text", "Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??");
inline S kDone = QT_TRANSLATE_NOOP("text", "İşlem Tamamlandı");
inline S kBadCard = QT_TRANSLATE_NOOP("text", "Geçersiz Kart ID: ");
inline S kCardMemoryFull = QT_TRANSLATE_NOOP("text", "Cihaz kart hafızası dolu! Gönderilemeyen Kart ID: ");
inline S kReceiveCardsQuestion = QT_TRANSLATE_NOOP(
    "text", "Mevcut kart listesi silinecek ve cihaz hafızasındaki kartlar listeye eklenecek. Onaylıyor musunuz?");
inline S kCardsNotReceived = QT_TRANSLATE_NOOP("text", "Kart numaraları cihazdan alınamadı");
inline S kReaderHasNoCards = QT_TRANSLATE_NOOP("text", "Cihaz kart hafızası boş");
inline S kCardsReceived = QT_TRANSLATE_NOOP("text", "Kart numaraları cihazdan alındı.");
inline S kEraseCardsQuestion = QT_TRANSLATE_NOOP("text",
                                                 "Tüm kart hafızasını silmek istediğinizden emin misiniz? \r\n"
                                                 "Bu işlem cihaz tipine bağlı olarak 1-25 saniye arası sürecektir");
inline S kCardsErased = QT_TRANSLATE_NOOP("text", "Tüm kart hafızası silindi!");
inline S kCardsNotErased = QT_TRANSLATE_NOOP("text", "Kart hafızası silinemedi!");
QString CardLimit(int limit);  // "En fazla N kart ekleyebilirsiniz"

// Clock.
inline S kSendClockQuestion = QT_TRANSLATE_NOOP("text", "PC saatini cihaza göndermek istediğinizden emin misiniz?");
inline S kClockSent = QT_TRANSLATE_NOOP("text", "Saat Gönderildi");
inline S kClockNotSent = QT_TRANSLATE_NOOP("text", "Hata! Saat Gönderilemedi");

// Offline records; "Kapı:" texts are followed by the current address text.
inline S kEraseRecordsQuestion =
    QT_TRANSLATE_NOOP("text", "Cihazın offline geçiş hafızasını silmek istediğinizden emin misiniz?");
inline S kRecordsErased = QT_TRANSLATE_NOOP("text", "Offline Geçiş Hafızası Silindi");
inline S kRecordsNotErased = QT_TRANSLATE_NOOP("text", "Hata! Offline Geçiş Hafızası Silinemedi");
inline S kDownloadQuestion = QT_TRANSLATE_NOOP("text", "Offline Kayıtları Cihazdan Almak İstiyor musunuz?");
inline S kBadDownloadId = QT_TRANSLATE_NOOP("text", "Mevcut Cihaz ID hatalı, 1-255 arası bir sayı giriniz!");
inline S kNoRecords = QT_TRANSLATE_NOOP("text", "Kayıt Bulunamadı... Kapı:");
inline S kDownloading = QT_TRANSLATE_NOOP("text", "Offline Kayıtlar Alınıyor... Kapı:");
inline S kDownloadFailed = QT_TRANSLATE_NOOP("text", "Offline Kayıtlar Alınamadı... Kapı:");
inline S kLogging = QT_TRANSLATE_NOOP("text", "Offline Kayıtlar Veritabanına Ekleniyor... Kapı:");
inline S kLogFailed = QT_TRANSLATE_NOOP("text", "Kayıtlar dosyaya yazılamadı, cihaz hafızası silinmedi! Kapı:");
inline S kIncomplete = QT_TRANSLATE_NOOP("text", "Kayıtların tamamı alınamadı, cihaz hafızası silinmedi! Kapı:");
inline S kErasing = QT_TRANSLATE_NOOP("text", "Offline Kayıtlar Siliniyor... Kapı:");
inline S kEraseAfterFailed =
    QT_TRANSLATE_NOOP("text", "İşlem Tamamalandı, Fakat Offline Kayıtlar Silinirken Hata Oluştu! Kapı:");
inline S kDoneErased = QT_TRANSLATE_NOOP("text", "İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:");
inline S kDoneKept = QT_TRANSLATE_NOOP("text", "İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!");
inline S kEditorFailed = QT_TRANSLATE_NOOP("text", "NotePad.exe programı çalıştırılamadı");

// The bus view: what became of each reader, and its own messages.
inline S kBusDone = QT_TRANSLATE_NOOP("text", "Tamam");
inline S kBusTimedOut = QT_TRANSLATE_NOOP("text", "Zaman aşımı");
inline S kBusBadReply = QT_TRANSLATE_NOOP("text", "Hatalı yanıt");
inline S kBusCollision = QT_TRANSLATE_NOOP("text", "Çakışma");
inline S kBusCollisionTip =
    QT_TRANSLATE_NOOP("text", "Bu adreste iki okuyucu olabilir: yanıtları bozuk ya da birbirini tutmuyor.");
inline S kBusFullWaitTip =
    QT_TRANSLATE_NOOP("text", "Her adreste ayar okumasının tam süresi beklenir: yavaş yanıt veren dönüştürücüler için");
inline S kBusStopped = QT_TRANSLATE_NOOP("text", "Durduruldu");
inline S kBusLogFailed = QT_TRANSLATE_NOOP("text", "Kayıtlar dosyaya yazılamadı, hafıza silinmedi");
inline S kBusIncomplete = QT_TRANSLATE_NOOP("text", "Kayıtların tamamı alınamadı, hafıza silinmedi");
inline S kBusEraseFailed = QT_TRANSLATE_NOOP("text", "Kayıtlar alındı, hafıza silinemedi");
inline S kBusNoRecords = QT_TRANSLATE_NOOP("text", "Kayıt yok");
inline S kBusRecords = QT_TRANSLATE_NOOP("text", "%1 kayıt alındı");
inline S kBusCardsSent = QT_TRANSLATE_NOOP("text", "%1 kart gönderildi");
inline S kBusMemoryFull = QT_TRANSLATE_NOOP("text", "Kart hafızası dolu");
// The line file in the bus view.
inline S kLineFilter = QT_TRANSLATE_NOOP("text", "Hat Dosyaları (*.json)|*.json");
inline S kBusSaved = QT_TRANSLATE_NOOP("text", "Kaydedildi");
inline S kBusAsInFile = QT_TRANSLATE_NOOP("text", "Dosyadaki gibi");
inline S kBusNotInFile = QT_TRANSLATE_NOOP("text", "Dosyada yok");
inline S kBusApplied = QT_TRANSLATE_NOOP("text", "Uygulandı");
inline S kBusCardsUnknown = QT_TRANSLATE_NOOP("text", "Kartlar okunamıyor, olduğu gibi kalacak");
inline S kBusNothingToApply = QT_TRANSLATE_NOOP("text", "Hattaki okuyucular dosyadaki gibi, gönderilecek bir şey yok");
inline QString BusSettingsDiffer(const QString& fields) { return Text(QT_TRANSLATE_NOOP("text", "Ayar farkı: %1")).arg(fields); }
inline QString BusCardsToAdd(int n) { return Text(QT_TRANSLATE_NOOP("text", "%1 kart eklenecek")).arg(n); }
inline QString BusCardsToReplace(int n) {
  return Text(QT_TRANSLATE_NOOP("text", "Kart hafızası silinip %1 kart gönderilecek")).arg(n);
}
// One reader of the plan in the confirmation: its address and what changes.
inline QString BusPlanLine(int address, const QString& changes) {
  return Text(QT_TRANSLATE_NOOP("text", "Okuyucu %1: %2")).arg(address).arg(changes);
}
inline QString BusApplyQuestion(const QString& plan) {
  return Text(QT_TRANSLATE_NOOP("text", "Dosyadaki ayarlar ve kartlar hatta gönderilecek:\n%1\nOnaylıyor musunuz?")).arg(plan);
}
// The line file cannot be used: the file, the reader's entry (0: the file as a whole) and the field.
inline QString BadLineFile(const QString& file, int address, const QString& field) {
  return address > 0 ? Text(QT_TRANSLATE_NOOP("text", "Hat dosyası hatalı: %1, okuyucu %2, alan \"%3\"")).arg(file).arg(address).arg(field)
                     : Text(QT_TRANSLATE_NOOP("text", "Hat dosyası hatalı: %1 %2")).arg(file, field.isEmpty() ? QString() : u'"' + field + u'"');
}
// The row's model family cannot do the action; the models that can.
inline S kBusNotOnModel = QT_TRANSLATE_NOOP("text", "Bu modelde yok (yalnızca %1)");
inline QString BusNotOnModel(const QString& models) { return kBusNotOnModel.arg(models); }
// The row's reader is known only by its family; the models it may be.
inline QString BusModelUnknown(const QString& models) {
  return Text(QT_TRANSLATE_NOOP("text", "Model bilinmiyor (%1 olabilir): Model sütunundan seçiniz")).arg(models);
}
// Its settings reply is the one other models give.
inline QString BusOtherModel(const QString& models) {
  return Text(QT_TRANSLATE_NOOP("text", "Okuyucu %1 gibi yanıt verdi")).arg(models);
}
inline QString BusTooManyCards(const QString& model, int limit) {
  return Text(QT_TRANSLATE_NOOP("text", "%1 en fazla %2 kart alır")).arg(model).arg(limit);
}
// The model cell's choice for every row of the family.
inline QString BusModelForFamily(const QString& model, const QString& family) {
  return Text(QT_TRANSLATE_NOOP("text", "%1 (tüm %2 satırları)")).arg(model, family);
}
// A setting of the file's entry that the model, in its run mode, does not take.
inline QString BusNotTaken(const QString& model, const QString& field) {
  return Text(QT_TRANSLATE_NOOP("text", "%1 bu ayarı almaz: %2")).arg(model, field);
}
inline S kBusChooseModelTip = QT_TRANSLATE_NOOP("text", "Okuyucunun modelini seçmek için tıklayınız");
inline S kBusReadBackDiffers = QT_TRANSLATE_NOOP("text", "Geri okunan ayarlar dosyadakinden farklı");
inline S kBusEntry = QT_TRANSLATE_NOOP("text", "Giriş");
inline S kBusExit = QT_TRANSLATE_NOOP("text", "Çıkış");
inline S kBusNothingSelected = QT_TRANSLATE_NOOP("text", "Lütfen listeden okuyucu seçiniz");
inline S kBusBadRange = QT_TRANSLATE_NOOP("text", "Lütfen 0-255 arası bir adres aralığı giriniz");
inline S kBusBadDrift = QT_TRANSLATE_NOOP("text", "Lütfen 0-86400 snd arası bir saat farkı giriniz");
inline S kCsvFilter = QT_TRANSLATE_NOOP("text", "CSV Dosyaları (*.csv)|*.csv");
inline S kTextFilter = QT_TRANSLATE_NOOP("text", "Metin Dosyaları (*.txt)|*.txt");

// The passage store: where a download's records are kept besides the log.
inline S kStoreFailed = QT_TRANSLATE_NOOP("text", "Kayıtlar veritabanına yazılamadı, cihaz hafızası silinmedi! Kapı:");
inline S kBusStoreFailed = QT_TRANSLATE_NOOP("text", "Kayıtlar veritabanına yazılamadı, hafıza silinmedi");
inline S kStoreBadAddress = QT_TRANSLATE_NOOP("text", "Kayıt veritabanı adresi hatalı");
inline S kStoreNoDriver = QT_TRANSLATE_NOOP("text", "Kayıt veritabanı sürücüsü bulunamadı");
inline S kStoreUnreachable = QT_TRANSLATE_NOOP("text", "Kayıt veritabanına bağlanılamadı");
inline S kStoreNewer = QT_TRANSLATE_NOOP("text", "Kayıt veritabanı bu programın daha yeni bir sürümüne ait, değiştirilmedi");
inline S kStoreOpenFailed = QT_TRANSLATE_NOOP("text", "Kayıt veritabanı açılamadı");
inline S kStoreNotRead = QT_TRANSLATE_NOOP("text", "Kayıt veritabanı okunamadı");
inline S kStoreNotWritten = QT_TRANSLATE_NOOP("text", "Kayıt veritabanına yazılamadı");
// Which part of the address is wrong (scheme, server, port, database name).
inline S kStoreAddressParts[4] = {QT_TRANSLATE_NOOP("text", "adres türü (postgresql://)"), QT_TRANSLATE_NOOP("text", "sunucu"),
                                  QT_TRANSLATE_NOOP("text", "port"), QT_TRANSLATE_NOOP("text", "veritabanı adı")};
// "<address>: <part> hatalı"; "<address>: sürüm N, bu program M".
QString StoreAddressDetail(const QString& address, const QString& part);
QString StoreVersionDetail(const QString& address, int found, int known);

// The record viewer.
inline S kRecordDirections[3] = {QT_TRANSLATE_NOOP("text", "Belirsiz"), QT_TRANSLATE_NOOP("text", "Giriş"), QT_TRANSLATE_NOOP("text", "Çıkış")};
inline S kRecordsBadDate = QT_TRANSLATE_NOOP("text", "Lütfen tarihi GG/AA/YYYY ya da GG/AA/YYYY SS:DD biçiminde giriniz");
inline S kRecordsBadReaders =
    QT_TRANSLATE_NOOP("text", "Lütfen okuyucu adreslerini 1-255 arası, örneğin 1,3,7-9 biçiminde giriniz");
QString RecordsShown(qint64 count);  // "Gösterilen geçiş sayısı: N"
// A card holders list: what is wrong and on which line; how many were taken.
inline S kHoldersNotUtf8 = QT_TRANSLATE_NOOP("text", "UTF-8 değil");
inline S kHoldersNoCard = QT_TRANSLATE_NOOP("text", "kart numarası hatalı");
inline S kHoldersNoName = QT_TRANSLATE_NOOP("text", "kart sahibinin adı yok");
QString HoldersBadLine(qint64 line, const QString& what);  // "Kart sahipleri dosyası hatalı, satır N: …"
QString HoldersImported(qint64 count);                     // "N kart sahibi alındı"

// The access editor: what is wrong with the form, and each door's plan and result.
inline S kHolderBadName = QT_TRANSLATE_NOOP("text", "Lütfen kart sahibinin adını giriniz (en fazla 100 karakter)");
inline QString HolderNameTaken(const QString& name) {
  return Text(QT_TRANSLATE_NOOP("text", "Bu adla bir kart sahibi zaten var: %1")).arg(name);
}
inline QString CardHeld(quint32 card, const QString& holder) {
  return Text(QT_TRANSLATE_NOOP("text", "%1 numaralı kart %2 adlı kart sahibinde, önce ondan alınız")).arg(card).arg(holder);
}
inline S kHolderBadDate = QT_TRANSLATE_NOOP("text", "Lütfen tarihi GG/AA/YYYY biçiminde giriniz (boş: sınırsız)");
inline S kHolderDatesReversed = QT_TRANSLATE_NOOP("text", "Geçerlilik bitişi başlangıcından önce olamaz");
inline S kHolderNotSelected = QT_TRANSLATE_NOOP("text", "Lütfen listeden kart sahibi seçiniz");
inline S kGroupNotSelected = QT_TRANSLATE_NOOP("text", "Lütfen listeden grup seçiniz");
inline S kDoorNotSelected = QT_TRANSLATE_NOOP("text", "Lütfen listeden kapı seçiniz");
// A holder, group or door another program changed or renamed since the lists were read.
inline QString AccessGone(const QString& name) {
  return Text(QT_TRANSLATE_NOOP("text", "%1 veritabanında bulunamadı, liste yenilendi")).arg(name);
}
inline S kBadListedName =
    QT_TRANSLATE_NOOP("text", "Lütfen en fazla 100 karakterlik, virgül ve noktalı virgül içermeyen bir ad giriniz");
inline QString GroupNameTaken(const QString& name) {
  return Text(QT_TRANSLATE_NOOP("text", "Bu adla bir grup zaten var: %1")).arg(name);
}
inline QString DoorNameTaken(const QString& door) {
  return Text(QT_TRANSLATE_NOOP("text", "Bu ad başka bir kapının: %1")).arg(door);
}
inline S kAccessNoDoors = QT_TRANSLATE_NOOP("text", "Hatlarda kapı yok");
inline S kAccessSame = QT_TRANSLATE_NOOP("text", "Değişiklik yok");
inline QString AccessCardsReplace(int send, int remove) {
  return Text(QT_TRANSLATE_NOOP("text", "Kart hafızası silinip %1 kart gönderilecek (%2 kart çıkacak)")).arg(send).arg(remove);
}
inline S kAccessUpToDate = QT_TRANSLATE_NOOP("text", "Güncel");
inline S kAccessDiffers = QT_TRANSLATE_NOOP("text", "Gönderilecek");
inline S kAccessReading = QT_TRANSLATE_NOOP("text", "Okunuyor...");
inline S kAccessWriting = QT_TRANSLATE_NOOP("text", "Yazılıyor...");
inline S kAccessNoLink = QT_TRANSLATE_NOOP("text", "Hat bağlantısı açılamadı");
inline S kAccessNoLock = QT_TRANSLATE_NOOP("text", "Hattın kilidi veritabanından alınamadı");
inline S kAccessNotDone = QT_TRANSLATE_NOOP("text", "Yapılmadı");
inline S kAccessLockLost = QT_TRANSLATE_NOOP("text", "Hat başka bir programa geçti, yapılmadı");
inline S kAccessDeclined = QT_TRANSLATE_NOOP("text", "Onaylanmadı");
inline S kAccessReadBackDiffers = QT_TRANSLATE_NOOP("text", "Geri okunan kartlar listeden farklı");
// Another program works the line: its host, process and since when.
inline QString AccessLineWaiting(const QString& line, const QString& host, qint64 pid, const QString& since) {
  return Text(QT_TRANSLATE_NOOP("text", "%1 hattı başka bir programda (%2, süreç %3, %4 saatinden beri), bekleniyor..."))
      .arg(line, host)
      .arg(pid)
      .arg(since);
}
inline QString AccessApplyQuestion(int doors, int erased) {
  return Text(QT_TRANSLATE_NOOP("text", "Plandaki kartlar %1 kapıya gönderilecek, bunların %2 tanesinin kart hafızası önce silinecek. Onaylıyor musunuz?"))
      .arg(doors)
      .arg(erased);
}

// The traffic monitor's marks.
inline S kTrafficFailed = QT_TRANSLATE_NOOP("text", "Hatalı yanıt");
inline S kTrafficTimedOut = QT_TRANSLATE_NOOP("text", "Zaman aşımı");
inline S kTrafficStray = QT_TRANSLATE_NOOP("text", "Başıboş bayt");

}  // namespace tessaro::text
