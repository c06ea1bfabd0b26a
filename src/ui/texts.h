#pragma once
// Every text the user reads, in one place. Users and their manuals know them
// word for word, so they stand exactly as written; captions carry the name of
// their control.

#include <QString>

namespace tessaro::text {

using S = const QString;

inline S kAppTitle = QStringLiteral("Tessaro TS-20,30,40,90 Konfigürasyon V3.0");
inline S kWindowCaption = QStringLiteral("Tessaro TS-20,TS-30,TS-40,TS-90 Okuyucu Konfigürasyon V3.0");

// Captions of the controls and of the labels beside them.
namespace caption {
inline S Frame1 = QStringLiteral("Haberleşme Ayarları");
inline S ComPort = QStringLiteral("COM Port:");
inline S BaudRate = QStringLiteral("Baud Rate:");
inline S Parity = QStringLiteral("Parity:");
inline S cmbParity[3] = {QStringLiteral("Tek"), QStringLiteral("Çift"), QStringLiteral("Yok")};
inline S TcpActive = QStringLiteral("TCPIP Aktif:");
inline S IpAddress = QStringLiteral("IP Adres:");
inline S TcpPort = QStringLiteral("TCP Port:");

inline S frSettings = QStringLiteral("Cihaz Ayarları");
inline S OldId = QStringLiteral("Mevcut Cihaz ID:");
inline S NewId = QStringLiteral("Yeni Cihaz ID:");
inline S RelayTime = QStringLiteral("Röle Süresi:");
inline S MasterCard = QStringLiteral("Master Kart ID:");
inline S RunMode = QStringLiteral("Çalışma Modu:");
inline S opsRunMode[3] = {QStringLiteral("Stand-Alone"), QStringLiteral("Online"), QStringLiteral("Read-Only")};
inline S RecordType = QStringLiteral("Offline Kayıt Tipi:");
inline S opsOfflineRecordType[2] = {QStringLiteral("Giriş"), QStringLiteral("Çıkış")};
inline S lbl90B[4] = {QStringLiteral("Wiegand Tipi:"), QStringLiteral("EPC Wiegand Adres:"),
                      QStringLiteral("Araç Dedektörü:"), QStringLiteral("Tetikleme Süresi:")};
inline S opsWigType[2] = {QStringLiteral("Wiegand 26"), QStringLiteral("Wiegand 34")};
inline S opsStartEPCWord[2] = {QStringLiteral("4"), QStringLiteral("6")};
inline S cmdFindID = QStringLiteral("Cihaz ID Bul");
inline S cmdCancelScan = QStringLiteral("İptal");
inline S cmdReceive = QStringLiteral("Ayarları Al");
inline S cmdSend = QStringLiteral("Ayarları Gönder");

inline S frKart = QStringLiteral("Stand-Alone Kart Listesi");
inline S CardId = QStringLiteral("Kart ID:");
inline S cmdAdd = QStringLiteral("<< Ekle");
inline S cmdDelete = QStringLiteral("Sil >>");
inline S cmdImport = QStringLiteral("Dosyadan Al");
inline S cmdExport = QStringLiteral("Dosyaya Kaydet");
inline S cmdReceiveAllCards = QStringLiteral("Tümünü Cihazdan Al");
inline S cmdSendAllCards = QStringLiteral("Tümünü Cihaza Gönder");
inline S cmdEraseAll = QStringLiteral("Tüm Kart Hafızasını Sil");
inline S Label3 = QStringLiteral("İptal için 'ESC' tuşuna basınız");
inline S MaxCards = QStringLiteral("Maksimum Kart Sayısı:");

inline S frTS30P = QStringLiteral("Özel İşlemler (TS-30P İçin)");
inline S frRTC = QStringLiteral("Gerçek Zaman Saati");
inline S cmdSendRTC = QStringLiteral("Saati Ayarla");
inline S cmdReceiveRTC = QStringLiteral("Saati Oku");
inline S PcClock = QStringLiteral("PC Saati:");
inline S DeviceClock = QStringLiteral("Cihaz Saati:");
inline S frLOGMemory = QStringLiteral("Offline Geçiş Kayıtları");
inline S chkClearRAM = QStringLiteral("Alındıktan Sonra Hafızayı Temizle");
inline S cmdReadData = QStringLiteral("Oku - Kaydet");
inline S cmdOpenFile = QStringLiteral("Dosyayı Aç");
inline S cmdReadCounter = QStringLiteral("Kayıt Sayısı");
inline S cmdClearCounter = QStringLiteral("Hafızayı Sil");
inline S Label12 = QStringLiteral("Kayıt Sayısı:");
inline S cmdClose = QStringLiteral("Programı Kapat");
inline S cmdBusView = QStringLiteral("Hat Görünümü");
inline S cmdTraffic = QStringLiteral("Haberleşme İzleme");

// The bus view.
inline S frmBus = QStringLiteral("Hat Görünümü");
inline S BusAddresses = QStringLiteral("Adresler:");
inline S cmdBusScan = QStringLiteral("Tara");
inline S cmdBusCancel = QStringLiteral("İptal");
inline S tblBus[8] = {QStringLiteral("Adres"),        QStringLiteral("Model"),      QStringLiteral("Çalışma Modu"),
                      QStringLiteral("Röle Süresi"),  QStringLiteral("Kayıt Tipi"), QStringLiteral("Saat Farkı (sn)"),
                      QStringLiteral("Kayıt Sayısı"), QStringLiteral("Sonuç")};
inline S cmdBusSettings = QStringLiteral("Ayarları Oku");
inline S cmdBusClock = QStringLiteral("Saatleri Eşitle");
inline S BusMaxDrift = QStringLiteral("En fazla fark (sn):");
inline S cmdBusCards = QStringLiteral("Kart Listesini Gönder");
inline S cmdBusRecords = QStringLiteral("Kayıtları Al");
inline S chkBusErase = QStringLiteral("Alındıktan Sonra Hafızayı Temizle");
inline S cmdBusCounts = QStringLiteral("Kayıt Sayılarını Oku");
inline S cmdBusRetry = QStringLiteral("Başarısızları Tekrarla");
inline S cmdBusExport = QStringLiteral("CSV Olarak Kaydet");
inline S cmdBusSaveLine = QStringLiteral("Hattı Kaydet…");
inline S cmdBusCompare = QStringLiteral("Dosyayla Karşılaştır…");
inline S cmdBusApply = QStringLiteral("Dosyayı Uygula…");

// The traffic monitor.
inline S frmTraffic = QStringLiteral("Haberleşme İzleme");
inline S TrafficAddress = QStringLiteral("Adres:");
inline S TrafficCommand = QStringLiteral("Komut:");
inline S chkTrafficErrors = QStringLiteral("Yalnız hatalar");
inline S cmdTrafficClear = QStringLiteral("Temizle");
inline S cmdTrafficText = QStringLiteral("Metin Olarak Kaydet");
inline S cmdTrafficCsv = QStringLiteral("CSV Olarak Kaydet");
inline S tblTraffic[8] = {QStringLiteral("Zaman (ms)"), QStringLiteral("Yön"),     QStringLiteral("Adres"),
                          QStringLiteral("Komut"),      QStringLiteral("Uzunluk"), QStringLiteral("Onaltılık"),
                          QStringLiteral("Metin"),      QStringLiteral("Durum")};

// The record viewer.
inline S cmdRecordViewer = QStringLiteral("Kayıt Görüntüleyici");
inline S frmRecords = QStringLiteral("Kayıt Görüntüleyici");
inline S RecordsFrom = QStringLiteral("Başlangıç:");
inline S RecordsTo = QStringLiteral("Bitiş:");
inline S RecordsReaders = QStringLiteral("Okuyucular:");
inline S RecordsCard = QStringLiteral("Kart ID:");
inline S cmdRecordsFilter = QStringLiteral("Listele");
inline S cmdRecordsHolders = QStringLiteral("Kart Sahiplerini Al");
inline S cmdRecordsExport = QStringLiteral("CSV Olarak Kaydet");
inline S tblRecords[6] = {QStringLiteral("Tarih - Saat"), QStringLiteral("Hat"), QStringLiteral("Okuyucu"),
                          QStringLiteral("Kart ID"),      QStringLiteral("Yön"), QStringLiteral("Kart Sahibi")};
}  // namespace caption

// Opening the link.
inline S kTcpOpenFailed = QStringLiteral("TCPIP Portu Açılamadı");
inline S kSerialOpenFailed = QStringLiteral("Haberleşme Portu Açılamadı");
// "<device>: bu kullanıcının portu kullanma izni yok. …": the reason and the group to join.
QString SerialDenied(const QString& device);

// Device settings.
inline S kAskOldId = QStringLiteral("Lütfen cihazın mevcut ID'sini giriniz");
inline S kAskNewId = QStringLiteral("Lütfen 1-255 arası bir ID giriniz");
inline S kAskRelayTime = QStringLiteral("Lütfen 1-64 snd arası bir röle süresi giriniz");
inline S kAskMasterCard = QStringLiteral("Lütfen geçerli bir Master Kart ID'si giriniz");
inline S kAskLoopTime = QStringLiteral("Lütfen 1-9 snd arası bir röle süresi giriniz");
inline S kReceiveFailed = QStringLiteral("Ayarlar alınamadı.");
inline S kSendQuestion = QStringLiteral("Cihaza yeni ayarları göndermek istiyor musunuz?");
inline S kSent = QStringLiteral("Ayarlar gönderildi");
inline S kSendFailed = QStringLiteral("Ayarlar gönderilemedi.");
inline S kTimedOut = QStringLiteral(" (Zaman aşımı)");
inline S kErrorOccurred = QStringLiteral(" (Hata oluştu)");
inline S kScanning = QStringLiteral("Deniyor...");
inline S kScanCancelled = QStringLiteral("Tarama İptal Edildi");
inline S kFound = QStringLiteral("Cihaz ID Bulundu, ID:");
inline S kNotFound = QStringLiteral("Cihaz bulunamadı");

// Card list.
inline S kInvalidCardId = QStringLiteral("Lütfen geçerli bir 'Kart ID' giriniz.");
inline S kCardFileFilter = QStringLiteral("Veri Dosyaları (*.txt)|*.txt");
inline S kExportTitle = QStringLiteral("Dosyaya Kaydet");
inline S kImportTitle = QStringLiteral("Aç");
inline S kInvalidFileName = QStringLiteral("Geçersiz dosya adı!");
inline S kFileNotWritten = QStringLiteral("Dosya kaydedilemedi!");
inline S kFileNotRead = QStringLiteral("Dosya okunamadı!");
inline S kImportQuestion =
    QStringLiteral("Mevcut kart listesi silinecek ve dosyadaki kartlar listeye eklenecek. Onaylıyor musunuz?");
inline S kSendCardsQuestion = QStringLiteral("Seçilen kart numaralarını göndermekistiyor musunuz?");
inline S kListEmpty = QStringLiteral("Kart listesi boş");
inline S kStopped = QStringLiteral("İşlem durduruldu");
inline S kRetryQuestion = QStringLiteral("Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??");
inline S kDone = QStringLiteral("İşlem Tamamlandı");
inline S kBadCard = QStringLiteral("Geçersiz Kart ID: ");
inline S kReceiveCardsQuestion = QStringLiteral(
    "Mevcut kart listesi silinecek ve cihaz hafızasındaki kartlar listeye eklenecek. Onaylıyor musunuz?");
inline S kCardsNotReceived = QStringLiteral("Kart numaraları cihazdan alınamadı");
inline S kReaderHasNoCards = QStringLiteral("Cihaz kart hafızası boş");
inline S kCardsReceived = QStringLiteral("Kart numaraları cihazdan alındı.");
inline S kEraseCardsQuestion = QStringLiteral(
    "Tüm kart hafızasını silmek istediğinizden emin misiniz? \r\n"
    "Bu işlem cihaz tipine bağlı olarak 1-25 saniye arası sürecektir");
inline S kCardsErased = QStringLiteral("Tüm kart hafızası silindi!");
inline S kCardsNotErased = QStringLiteral("Kart hafızası silinemedi!");
QString CardLimit(int limit);  // "En fazla N kart ekleyebilirsiniz"

// Clock.
inline S kSendClockQuestion = QStringLiteral("PC saatini cihaza göndermek istediğinizden emin misiniz?");
inline S kClockSent = QStringLiteral("Saat Gönderildi");
inline S kClockNotSent = QStringLiteral("Hata! Saat Gönderilemedi");

// Offline records; "Kapı:" texts are followed by the current address text.
inline S kEraseRecordsQuestion = QStringLiteral("Cihazın offline geçiş hafızasını silmek istediğinizden emin misiniz?");
inline S kRecordsErased = QStringLiteral("Offline Geçiş Hafızası Silindi");
inline S kRecordsNotErased = QStringLiteral("Hata! Offline Geçiş Hafızası Silinemedi");
inline S kDownloadQuestion = QStringLiteral("Offline Kayıtları Cihazdan Almak İstiyor musunuz?");
inline S kBadDownloadId = QStringLiteral("Mevcut Cihaz ID hatalı, 1-255 arası bir sayı giriniz!");
inline S kNoRecords = QStringLiteral("Kayıt Bulunamadı... Kapı:");
inline S kDownloading = QStringLiteral("Offline Kayıtlar Alınıyor... Kapı:");
inline S kDownloadFailed = QStringLiteral("Offline Kayıtlar Alınamadı... Kapı:");
inline S kLogging = QStringLiteral("Offline Kayıtlar Veritabanına Ekleniyor... Kapı:");
inline S kLogFailed = QStringLiteral("Kayıtlar dosyaya yazılamadı, cihaz hafızası silinmedi! Kapı:");
inline S kIncomplete = QStringLiteral("Kayıtların tamamı alınamadı, cihaz hafızası silinmedi! Kapı:");
inline S kErasing = QStringLiteral("Offline Kayıtlar Siliniyor... Kapı:");
inline S kEraseAfterFailed = QStringLiteral("İşlem Tamamalandı, Fakat Offline Kayıtlar Silinirken Hata Oluştu! Kapı:");
inline S kDoneErased = QStringLiteral("İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:");
inline S kDoneKept = QStringLiteral("İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!");
inline S kEditorFailed = QStringLiteral("NotePad.exe programı çalıştırılamadı");

// The bus view: what became of each reader, and its own messages.
inline S kBusDone = QStringLiteral("Tamam");
inline S kBusTimedOut = QStringLiteral("Zaman aşımı");
inline S kBusBadReply = QStringLiteral("Hatalı yanıt");
inline S kBusCollision = QStringLiteral("Çakışma");
inline S kBusCollisionTip =
    QStringLiteral("Bu adreste iki okuyucu olabilir: yanıtları bozuk ya da birbirini tutmuyor.");
inline S kBusStopped = QStringLiteral("Durduruldu");
inline S kBusLogFailed = QStringLiteral("Kayıtlar dosyaya yazılamadı, hafıza silinmedi");
inline S kBusIncomplete = QStringLiteral("Kayıtların tamamı alınamadı, hafıza silinmedi");
inline S kBusEraseFailed = QStringLiteral("Kayıtlar alındı, hafıza silinemedi");
inline S kBusNoRecords = QStringLiteral("Kayıt yok");
inline S kBusRecords = QStringLiteral("%1 kayıt alındı");
inline S kBusCardsSent = QStringLiteral("%1 kart gönderildi");
// The line file in the bus view.
inline S kLineFilter = QStringLiteral("Hat Dosyaları (*.json)|*.json");
inline S kBusSaved = QStringLiteral("Kaydedildi");
inline S kBusAsInFile = QStringLiteral("Dosyadaki gibi");
inline S kBusNotInFile = QStringLiteral("Dosyada yok");
inline S kBusApplied = QStringLiteral("Uygulandı");
inline S kBusCardsUnknown = QStringLiteral("Kartlar okunamıyor, olduğu gibi kalacak");
inline S kBusNothingToApply = QStringLiteral("Hattaki okuyucular dosyadaki gibi, gönderilecek bir şey yok");
inline QString BusSettingsDiffer(const QString& fields) { return QStringLiteral("Ayar farkı: %1").arg(fields); }
inline QString BusCardsToAdd(int n) { return QStringLiteral("%1 kart eklenecek").arg(n); }
inline QString BusCardsToReplace(int n) {
  return QStringLiteral("Kart hafızası silinip %1 kart gönderilecek").arg(n);
}
// One reader of the plan in the confirmation: its address and what changes.
inline QString BusPlanLine(int address, const QString& changes) {
  return QStringLiteral("Okuyucu %1: %2").arg(address).arg(changes);
}
inline QString BusApplyQuestion(const QString& plan) {
  return QStringLiteral("Dosyadaki ayarlar ve kartlar hatta gönderilecek:\n%1\nOnaylıyor musunuz?").arg(plan);
}
// The line file cannot be used: the file, the reader's entry (0: the file as a whole) and the field.
inline QString BadLineFile(const QString& file, int address, const QString& field) {
  return address > 0 ? QStringLiteral("Hat dosyası hatalı: %1, okuyucu %2, alan \"%3\"").arg(file).arg(address).arg(field)
                     : QStringLiteral("Hat dosyası hatalı: %1 %2").arg(file, field.isEmpty() ? QString() : u'"' + field + u'"');
}
// The row's model family cannot do the action; the models that can.
inline QString BusNotOnModel(const QString& models) { return QStringLiteral("Bu modelde yok (yalnızca %1)").arg(models); }
inline S kBusEntry = QStringLiteral("Giriş");
inline S kBusExit = QStringLiteral("Çıkış");
inline S kBusNothingSelected = QStringLiteral("Lütfen listeden okuyucu seçiniz");
inline S kBusBadRange = QStringLiteral("Lütfen 0-255 arası bir adres aralığı giriniz");
inline S kBusBadDrift = QStringLiteral("Lütfen 0-86400 snd arası bir saat farkı giriniz");
inline S kCsvFilter = QStringLiteral("CSV Dosyaları (*.csv)|*.csv");
inline S kTextFilter = QStringLiteral("Metin Dosyaları (*.txt)|*.txt");

// The passage store: where a download's records are kept besides the log.
inline S kStoreFailed = QStringLiteral("Kayıtlar veritabanına yazılamadı, cihaz hafızası silinmedi! Kapı:");
inline S kBusStoreFailed = QStringLiteral("Kayıtlar veritabanına yazılamadı, hafıza silinmedi");
inline S kStoreBadAddress = QStringLiteral("Kayıt veritabanı adresi hatalı");
inline S kStoreNoDriver = QStringLiteral("Kayıt veritabanı sürücüsü bulunamadı");
inline S kStoreUnreachable = QStringLiteral("Kayıt veritabanına bağlanılamadı");
inline S kStoreNewer = QStringLiteral("Kayıt veritabanı bu programın daha yeni bir sürümüne ait, değiştirilmedi");
inline S kStoreOpenFailed = QStringLiteral("Kayıt veritabanı açılamadı");
inline S kStoreNotRead = QStringLiteral("Kayıt veritabanı okunamadı");
inline S kStoreNotWritten = QStringLiteral("Kayıt veritabanına yazılamadı");
// Which part of the address is wrong (scheme, server, port, database name).
inline S kStoreAddressParts[4] = {QStringLiteral("adres türü (postgresql://)"), QStringLiteral("sunucu"),
                                  QStringLiteral("port"), QStringLiteral("veritabanı adı")};
// "<address>: <part> hatalı"; "<address>: sürüm N, bu program M".
QString StoreAddressDetail(const QString& address, const QString& part);
QString StoreVersionDetail(const QString& address, int found, int known);

// The record viewer.
inline S kRecordDirections[3] = {QStringLiteral("Belirsiz"), QStringLiteral("Giriş"), QStringLiteral("Çıkış")};
inline S kRecordsBadDate = QStringLiteral("Lütfen tarihi GG/AA/YYYY ya da GG/AA/YYYY SS:DD biçiminde giriniz");
inline S kRecordsBadReaders =
    QStringLiteral("Lütfen okuyucu adreslerini 1-255 arası, örneğin 1,3,7-9 biçiminde giriniz");
QString RecordsShown(qint64 count);  // "Gösterilen geçiş sayısı: N"
// A card holders list: what is wrong and on which line; how many were taken.
inline S kHoldersNotUtf8 = QStringLiteral("UTF-8 değil");
inline S kHoldersNoCard = QStringLiteral("kart numarası hatalı");
inline S kHoldersNoName = QStringLiteral("kart sahibinin adı yok");
QString HoldersBadLine(qint64 line, const QString& what);  // "Kart sahipleri dosyası hatalı, satır N: …"
QString HoldersImported(qint64 count);                     // "N kart sahibi alındı"

// The traffic monitor's marks.
inline S kTrafficFailed = QStringLiteral("Hatalı yanıt");
inline S kTrafficTimedOut = QStringLiteral("Zaman aşımı");
inline S kTrafficStray = QStringLiteral("Başıboş bayt");

}  // namespace tessaro::text
