#pragma once
// Every text of the console's pages, in Turkish as the window writes its own.
// Each is marked for lupdate; translations/tessaro_web_en.ts holds the
// English lines, looked up for a request whose language is English.

#include <QCoreApplication>

namespace tessaro::web::text {

// Menu and titles
inline const char* kPassages = QT_TRANSLATE_NOOP("web", "Geçişler");
inline const char* kHolders = QT_TRANSLATE_NOOP("web", "Kart Sahipleri");
inline const char* kLines = QT_TRANSLATE_NOOP("web", "Kapılar ve Hatlar");
inline const char* kUsers = QT_TRANSLATE_NOOP("web", "Kullanıcılar");
inline const char* kAccount = QT_TRANSLATE_NOOP("web", "Hesabım");
inline const char* kLogout = QT_TRANSLATE_NOOP("web", "Çıkış");
inline const char* kLogin = QT_TRANSLATE_NOOP("web", "Giriş");
inline const char* kConsole = QT_TRANSLATE_NOOP("web", "Tessaro Web Konsolu");
inline const char* kJob = QT_TRANSLATE_NOOP("web", "İş %1");

// Login and account
inline const char* kUserName = QT_TRANSLATE_NOOP("web", "Kullanıcı adı:");
inline const char* kPassword = QT_TRANSLATE_NOOP("web", "Şifre:");
inline const char* kPasswordAgain = QT_TRANSLATE_NOOP("web", "Şifre (tekrar):");
inline const char* kNewPassword = QT_TRANSLATE_NOOP("web", "Yeni şifre:");
inline const char* kWrongLogin = QT_TRANSLATE_NOOP("web", "Kullanıcı adı veya şifre hatalı.");
inline const char* kLocked = QT_TRANSLATE_NOOP("web", "Çok fazla hatalı giriş: hesap 15 dakika kilitli.");
inline const char* kPasswordsDiffer = QT_TRANSLATE_NOOP("web", "Şifreler aynı değil ya da 8 karakterden kısa.");
inline const char* kPasswordChanged = QT_TRANSLATE_NOOP("web", "Şifre değişti; diğer oturumlar kapatıldı.");
inline const char* kChangePassword = QT_TRANSLATE_NOOP("web", "Şifreyi Değiştir");
inline const char* kRole = QT_TRANSLATE_NOOP("web", "Rol:");
inline const char* kSaveUser = QT_TRANSLATE_NOOP("web", "Kullanıcıyı Kaydet");
inline const char* kUserSaved = QT_TRANSLATE_NOOP("web", "Kullanıcı kaydedildi.");

// Passages
inline const char* kFrom = QT_TRANSLATE_NOOP("web", "Başlangıç:");
inline const char* kTo = QT_TRANSLATE_NOOP("web", "Bitiş:");
inline const char* kReaders = QT_TRANSLATE_NOOP("web", "Okuyucular:");
inline const char* kCardId = QT_TRANSLATE_NOOP("web", "Kart ID:");
inline const char* kList = QT_TRANSLATE_NOOP("web", "Listele");
inline const char* kCsv = QT_TRANSLATE_NOOP("web", "CSV Olarak İndir");
inline const char* kCount = QT_TRANSLATE_NOOP("web", "%1 geçiş");
inline const char* kNextPage = QT_TRANSLATE_NOOP("web", "Sonraki Sayfa");
inline const char* kFirstPage = QT_TRANSLATE_NOOP("web", "İlk Sayfa");
inline const char* kPerHour = QT_TRANSLATE_NOOP("web", "Saat başına geçişler");
inline const char* kPerDay = QT_TRANSLATE_NOOP("web", "Gün başına geçişler");
inline const char* kTime = QT_TRANSLATE_NOOP("web", "Tarih ve Saat");
inline const char* kLine = QT_TRANSLATE_NOOP("web", "Hat");
inline const char* kReader = QT_TRANSLATE_NOOP("web", "Okuyucu");
inline const char* kCard = QT_TRANSLATE_NOOP("web", "Kart");
inline const char* kDirection = QT_TRANSLATE_NOOP("web", "Yön");
inline const char* kHolder = QT_TRANSLATE_NOOP("web", "Kart Sahibi");
inline const char* kEntry = QT_TRANSLATE_NOOP("web", "Giriş");
inline const char* kExit = QT_TRANSLATE_NOOP("web", "Çıkış");
inline const char* kBadFilter = QT_TRANSLATE_NOOP("web", "Süzgeç hatalı: %1");

// Holders
inline const char* kName = QT_TRANSLATE_NOOP("web", "Ad:");
inline const char* kCards = QT_TRANSLATE_NOOP("web", "Kartlar:");
inline const char* kGroups = QT_TRANSLATE_NOOP("web", "Gruplar:");
inline const char* kValidFrom = QT_TRANSLATE_NOOP("web", "Geçerlilik başlangıcı:");
inline const char* kValidUntil = QT_TRANSLATE_NOOP("web", "Geçerlilik bitişi:");
inline const char* kNote = QT_TRANSLATE_NOOP("web", "Not:");
inline const char* kEnabled = QT_TRANSLATE_NOOP("web", "Etkin");
inline const char* kDisabled = QT_TRANSLATE_NOOP("web", "Devre dışı");
inline const char* kNewHolder = QT_TRANSLATE_NOOP("web", "Yeni Kart Sahibi");
inline const char* kSave = QT_TRANSLATE_NOOP("web", "Kaydet");
inline const char* kDisable = QT_TRANSLATE_NOOP("web", "Devre Dışı Bırak");
inline const char* kEdit = QT_TRANSLATE_NOOP("web", "Düzenle");
inline const char* kSearch = QT_TRANSLATE_NOOP("web", "Ara:");
inline const char* kPlan = QT_TRANSLATE_NOOP("web", "Erişim planı: bir sonraki uygulamada kartları gidecek kapılar");
inline const char* kNoDoor = QT_TRANSLATE_NOOP("web", "Hiçbir kapı yok.");
inline const char* kBadHolder = QT_TRANSLATE_NOOP("web", "Kaydedilemedi: %1");
inline const char* kSaved = QT_TRANSLATE_NOOP("web", "Kaydedildi.");
inline const char* kDates = QT_TRANSLATE_NOOP("web", "Tarihler");
inline const char* kState = QT_TRANSLATE_NOOP("web", "Durum");

// Lines and jobs
inline const char* kLink = QT_TRANSLATE_NOOP("web", "Bağlantı:");
inline const char* kDoor = QT_TRANSLATE_NOOP("web", "Kapı");
inline const char* kModel = QT_TRANSLATE_NOOP("web", "Model");
inline const char* kLastPull = QT_TRANSLATE_NOOP("web", "Son kayıt alma");
inline const char* kRecordCount = QT_TRANSLATE_NOOP("web", "Kayıt sayısı");
inline const char* kDrift = QT_TRANSLATE_NOOP("web", "Saat farkı (sn)");
inline const char* kLastApply = QT_TRANSLATE_NOOP("web", "Son erişim uygulaması");
inline const char* kPullNow = QT_TRANSLATE_NOOP("web", "Kayıtları Şimdi Al");
inline const char* kApplyNow = QT_TRANSLATE_NOOP("web", "Erişim Listelerini Uygula");
inline const char* kSyncNow = QT_TRANSLATE_NOOP("web", "Saatleri Eşitle");
inline const char* kRecentJobs = QT_TRANSLATE_NOOP("web", "Son işler");
inline const char* kRequested = QT_TRANSLATE_NOOP("web", "İsteyen");
inline const char* kWorker = QT_TRANSLATE_NOOP("web", "Çalıştıran");
inline const char* kResult = QT_TRANSLATE_NOOP("web", "Sonuç");
inline const char* kKind = QT_TRANSLATE_NOOP("web", "İş");
inline const char* kQueued = QT_TRANSLATE_NOOP("web", "sırada");
inline const char* kRunning = QT_TRANSLATE_NOOP("web", "çalışıyor");
inline const char* kDone = QT_TRANSLATE_NOOP("web", "bitti");
inline const char* kFailed = QT_TRANSLATE_NOOP("web", "başarısız");
inline const char* kKindPull = QT_TRANSLATE_NOOP("web", "kayıt alma");
inline const char* kKindApply = QT_TRANSLATE_NOOP("web", "erişim uygulama");
inline const char* kKindSync = QT_TRANSLATE_NOOP("web", "saat eşitleme");
inline const char* kAddLine = QT_TRANSLATE_NOOP("web", "Hat Ekle");
inline const char* kAddDoor = QT_TRANSLATE_NOOP("web", "Kapı Ekle");
inline const char* kAddress = QT_TRANSLATE_NOOP("web", "Adres:");
inline const char* kNoLine = QT_TRANSLATE_NOOP("web", "Bilinmeyen hat.");
inline const char* kWaitingWorker = QT_TRANSLATE_NOOP("web", "Hattın bilgisayarındaki tessaro-cli work işi alınca başlar.");

// Errors
inline const char* kForbidden = QT_TRANSLATE_NOOP("web", "Bu işlem için yetkiniz yok.");
inline const char* kNotFound = QT_TRANSLATE_NOOP("web", "Bulunamadı.");
inline const char* kBadRequest = QT_TRANSLATE_NOOP("web", "Geçersiz istek.");
inline const char* kStoreFailed = QT_TRANSLATE_NOOP("web", "Veritabanı hatası.");

}  // namespace tessaro::web::text

namespace tessaro::web::text {
inline const char* kCardTaken = QT_TRANSLATE_NOOP("web", "%1 numaralı kart %2 adlı kişide.");
inline const char* kBadName = QT_TRANSLATE_NOOP("web", "Ad boş, 100 karakterden uzun ya da denetim karakterli.");
inline const char* kNameTaken = QT_TRANSLATE_NOOP("web", "Bu ad kullanılıyor.");
inline const char* kBadCards = QT_TRANSLATE_NOOP("web", "Kart numarası değil: %1");
inline const char* kBadDate = QT_TRANSLATE_NOOP("web", "Tarih değil: %1");
inline const char* kBadGroup = QT_TRANSLATE_NOOP("web", "Bilinmeyen grup: %1");
inline const char* kBadLink = QT_TRANSLATE_NOOP("web", "Bağlantı \"tcp HOST[:PORT]\" ya da \"serial AYGIT [HIZ [PARİTE]]\" olmalı.");
inline const char* kBadAddress = QT_TRANSLATE_NOOP("web", "Adres 1-255 arası olmalı.");
inline const char* kBadModel = QT_TRANSLATE_NOOP("web", "Bilinmeyen model.");
inline const char* kAddressTaken = QT_TRANSLATE_NOOP("web", "Bu hatta bu adreste bir kapı var.");
inline const char* kOverLimit = QT_TRANSLATE_NOOP("web", "liste modelin alabileceğinden uzun");
inline const char* kNever = QT_TRANSLATE_NOOP("web", "hiç");
inline const char* kReaderDone = QT_TRANSLATE_NOOP("web", "tamam");
}  // namespace tessaro::web::text
