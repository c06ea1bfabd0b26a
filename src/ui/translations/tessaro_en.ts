<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="tr">
<context>
    <name>text</name>
    <message>
        <source>%1: bu kullanıcının portu kullanma izni yok. Kullanıcıyı &apos;dialout&apos; grubuna ekleyin (sudo usermod -aG dialout KULLANICI) ve oturumu kapatıp yeniden açın.</source>
        <translation>%1: this user may not use the port. Add the user to the &apos;dialout&apos; group (sudo usermod -aG dialout USER), then log out and in again.</translation>
    </message>
    <message>
        <source>En fazla %1 kart ekleyebilirsiniz</source>
        <translation>You can add at most %1 cards</translation>
    </message>
    <message>
        <source>Tessaro TS-20,30,40,90 Konfigürasyon V3.0</source>
        <translation>Tessaro TS-20,30,40,90 Configuration V3.0</translation>
    </message>
    <message>
        <source>Tessaro TS-20,TS-30,TS-40,TS-90 Okuyucu Konfigürasyon V3.0</source>
        <translation>Tessaro TS-20,TS-30,TS-40,TS-90 Reader Configuration V3.0</translation>
    </message>
    <message>
        <source>Haberleşme Ayarları</source>
        <translation>Communication Settings</translation>
    </message>
    <message>
        <source>COM Port:</source>
        <translation>COM Port:</translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation>Baud Rate:</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>Tek</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>Çift</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>Yok</source>
        <translation>None</translation>
    </message>
    <message>
        <source>TCPIP Aktif:</source>
        <translation>Use TCPIP:</translation>
    </message>
    <message>
        <source>IP Adres:</source>
        <translation>IP Address:</translation>
    </message>
    <message>
        <source>TCP Port:</source>
        <translation>TCP Port:</translation>
    </message>
    <message>
        <source>Cihaz Ayarları</source>
        <translation>Device Settings</translation>
    </message>
    <message>
        <source>Mevcut Cihaz ID:</source>
        <translation>Current ID:</translation>
    </message>
    <message>
        <source>Yeni Cihaz ID:</source>
        <translation>New ID:</translation>
    </message>
    <message>
        <source>Röle Süresi:</source>
        <translation>Relay Time:</translation>
    </message>
    <message>
        <source>Master Kart ID:</source>
        <translation>Master Card ID:</translation>
    </message>
    <message>
        <source>Çalışma Modu:</source>
        <translation>Run Mode:</translation>
    </message>
    <message>
        <source>Stand-Alone</source>
        <translation>Stand-Alone</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>Read-Only</source>
        <translation>Read-Only</translation>
    </message>
    <message>
        <source>Offline Kayıt Tipi:</source>
        <translation>Record Type:</translation>
    </message>
    <message>
        <source>Giriş</source>
        <translation>Entry</translation>
    </message>
    <message>
        <source>Çıkış</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Wiegand Tipi:</source>
        <translation>Wiegand Type:</translation>
    </message>
    <message>
        <source>EPC Wiegand Adres:</source>
        <translation>EPC Wiegand Address:</translation>
    </message>
    <message>
        <source>Araç Dedektörü:</source>
        <translation>Vehicle Detector:</translation>
    </message>
    <message>
        <source>Tetikleme Süresi:</source>
        <translation>Trigger Time:</translation>
    </message>
    <message>
        <source>Wiegand 26</source>
        <translation>Wiegand 26</translation>
    </message>
    <message>
        <source>Wiegand 34</source>
        <translation>Wiegand 34</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>Cihaz ID Bul</source>
        <translation>Find Device ID</translation>
    </message>
    <message>
        <source>İptal</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ayarları Al</source>
        <translation>Receive Settings</translation>
    </message>
    <message>
        <source>Ayarları Gönder</source>
        <translation>Send Settings</translation>
    </message>
    <message>
        <source>Stand-Alone Kart Listesi</source>
        <translation>Stand-Alone Card List</translation>
    </message>
    <message>
        <source>Kart ID:</source>
        <translation>Card ID:</translation>
    </message>
    <message>
        <source>&lt;&lt; Ekle</source>
        <translation>&lt;&lt; Add</translation>
    </message>
    <message>
        <source>Sil &gt;&gt;</source>
        <translation>Delete &gt;&gt;</translation>
    </message>
    <message>
        <source>Dosyadan Al</source>
        <translation>Load from File</translation>
    </message>
    <message>
        <source>Dosyaya Kaydet</source>
        <translation>Save to File</translation>
    </message>
    <message>
        <source>Tümünü Cihazdan Al</source>
        <translation>Receive All from Device</translation>
    </message>
    <message>
        <source>Tümünü Cihaza Gönder</source>
        <translation>Send All to Device</translation>
    </message>
    <message>
        <source>Tüm Kart Hafızasını Sil</source>
        <translation>Erase All Card Memory</translation>
    </message>
    <message>
        <source>İptal için &apos;ESC&apos; tuşuna basınız</source>
        <translation>Press &apos;ESC&apos; to cancel</translation>
    </message>
    <message>
        <source>Maksimum Kart Sayısı:</source>
        <translation>Maximum Card Count:</translation>
    </message>
    <message>
        <source>Özel İşlemler (TS-30P İçin)</source>
        <translation>Special Functions (for TS-30P)</translation>
    </message>
    <message>
        <source>Gerçek Zaman Saati</source>
        <translation>Real-Time Clock</translation>
    </message>
    <message>
        <source>Saati Ayarla</source>
        <translation>Set Clock</translation>
    </message>
    <message>
        <source>Saati Oku</source>
        <translation>Read Clock</translation>
    </message>
    <message>
        <source>PC Saati:</source>
        <translation>PC Clock:</translation>
    </message>
    <message>
        <source>Cihaz Saati:</source>
        <translation>Device Clock:</translation>
    </message>
    <message>
        <source>Offline Geçiş Kayıtları</source>
        <translation>Offline Passage Records</translation>
    </message>
    <message>
        <source>Alındıktan Sonra Hafızayı Temizle</source>
        <translation>Clear Memory After Receiving</translation>
    </message>
    <message>
        <source>Oku - Kaydet</source>
        <translation>Read - Save</translation>
    </message>
    <message>
        <source>Dosyayı Aç</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>Kayıt Sayısı</source>
        <translation>Record Count</translation>
    </message>
    <message>
        <source>Hafızayı Sil</source>
        <translation>Erase Memory</translation>
    </message>
    <message>
        <source>Kayıt Sayısı:</source>
        <translation>Record Count:</translation>
    </message>
    <message>
        <source>Programı Kapat</source>
        <translation>Close Program</translation>
    </message>
    <message>
        <source>Hat Görünümü</source>
        <translation>Line View</translation>
    </message>
    <message>
        <source>Haberleşme İzleme</source>
        <translation>Traffic Monitor</translation>
    </message>
    <message>
        <source>Adresler:</source>
        <translation>Addresses:</translation>
    </message>
    <message>
        <source>Tara</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>Adres</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Çalışma Modu</source>
        <translation>Run Mode</translation>
    </message>
    <message>
        <source>Röle Süresi</source>
        <translation>Relay Time</translation>
    </message>
    <message>
        <source>Kayıt Tipi</source>
        <translation>Record Type</translation>
    </message>
    <message>
        <source>Saat Farkı (sn)</source>
        <translation>Clock Drift (s)</translation>
    </message>
    <message>
        <source>Sonuç</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Ayarları Oku</source>
        <translation>Read Settings</translation>
    </message>
    <message>
        <source>Saatleri Eşitle</source>
        <translation>Sync Clocks</translation>
    </message>
    <message>
        <source>En fazla fark (sn):</source>
        <translation>Max. drift (s):</translation>
    </message>
    <message>
        <source>Kart Listesini Gönder</source>
        <translation>Send Card List</translation>
    </message>
    <message>
        <source>Kayıtları Al</source>
        <translation>Receive Records</translation>
    </message>
    <message>
        <source>Kayıt Sayılarını Oku</source>
        <translation>Read Record Counts</translation>
    </message>
    <message>
        <source>Başarısızları Tekrarla</source>
        <translation>Retry Failed</translation>
    </message>
    <message>
        <source>CSV Olarak Kaydet</source>
        <translation>Save as CSV</translation>
    </message>
    <message>
        <source>Adres:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Komut:</source>
        <translation>Command:</translation>
    </message>
    <message>
        <source>Yalnız hatalar</source>
        <translation>Errors only</translation>
    </message>
    <message>
        <source>Temizle</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Metin Olarak Kaydet</source>
        <translation>Save as Text</translation>
    </message>
    <message>
        <source>Zaman (ms)</source>
        <translation>Time (ms)</translation>
    </message>
    <message>
        <source>Yön</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Komut</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Uzunluk</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>Onaltılık</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>Metin</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Durum</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>TCPIP Portu Açılamadı</source>
        <translation>Could Not Open the TCPIP Port</translation>
    </message>
    <message>
        <source>Haberleşme Portu Açılamadı</source>
        <translation>Could Not Open the Communication Port</translation>
    </message>
    <message>
        <source>Lütfen cihazın mevcut ID&apos;sini giriniz</source>
        <translation>Please enter the device&apos;s current ID</translation>
    </message>
    <message>
        <source>Lütfen 1-255 arası bir ID giriniz</source>
        <translation>Please enter an ID from 1 to 255</translation>
    </message>
    <message>
        <source>Lütfen 1-64 snd arası bir röle süresi giriniz</source>
        <translation>Please enter a relay time from 1 to 64 s</translation>
    </message>
    <message>
        <source>Lütfen geçerli bir Master Kart ID&apos;si giriniz</source>
        <translation>Please enter a valid Master Card ID</translation>
    </message>
    <message>
        <source>Lütfen 1-9 snd arası bir röle süresi giriniz</source>
        <translation>Please enter a relay time from 1 to 9 s</translation>
    </message>
    <message>
        <source>Ayarlar alınamadı.</source>
        <translation>The settings could not be received.</translation>
    </message>
    <message>
        <source>Cihaza yeni ayarları göndermek istiyor musunuz?</source>
        <translation>Do you want to send the new settings to the device?</translation>
    </message>
    <message>
        <source>Ayarlar gönderildi</source>
        <translation>Settings sent</translation>
    </message>
    <message>
        <source>Ayarlar gönderilemedi.</source>
        <translation>The settings could not be sent.</translation>
    </message>
    <message>
        <source> (Zaman aşımı)</source>
        <translation> (Time-out)</translation>
    </message>
    <message>
        <source> (Hata oluştu)</source>
        <translation> (An error occurred)</translation>
    </message>
    <message>
        <source>Deniyor...</source>
        <translation>Trying...</translation>
    </message>
    <message>
        <source>Tarama İptal Edildi</source>
        <translation>Scan Cancelled</translation>
    </message>
    <message>
        <source>Cihaz ID Bulundu, ID:</source>
        <translation>Device ID Found, ID:</translation>
    </message>
    <message>
        <source>Cihaz bulunamadı</source>
        <translation>No device found</translation>
    </message>
    <message>
        <source>Lütfen geçerli bir &apos;Kart ID&apos; giriniz.</source>
        <translation>Please enter a valid &apos;Card ID&apos;.</translation>
    </message>
    <message>
        <source>Veri Dosyaları (*.txt)|*.txt</source>
        <translation>Data Files (*.txt)|*.txt</translation>
    </message>
    <message>
        <source>Aç</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Geçersiz dosya adı!</source>
        <translation>Invalid file name!</translation>
    </message>
    <message>
        <source>Dosya kaydedilemedi!</source>
        <translation>The file could not be saved!</translation>
    </message>
    <message>
        <source>Dosya okunamadı!</source>
        <translation>The file could not be read!</translation>
    </message>
    <message>
        <source>Mevcut kart listesi silinecek ve dosyadaki kartlar listeye eklenecek. Onaylıyor musunuz?</source>
        <translation>The current card list will be cleared and the cards in the file added to it. Do you confirm?</translation>
    </message>
    <message>
        <source>Seçilen kart numaralarını göndermekistiyor musunuz?</source>
        <translation>Do you want to send the selected card numbers?</translation>
    </message>
    <message>
        <source>Kart listesi boş</source>
        <translation>The card list is empty</translation>
    </message>
    <message>
        <source>İşlem durduruldu</source>
        <translation>Operation stopped</translation>
    </message>
    <message>
        <source>Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??</source>
        <translation>This Card ID could not be sent. Do you want to try again?</translation>
    </message>
    <message>
        <source>İşlem Tamamlandı</source>
        <translation>Operation Completed</translation>
    </message>
    <message>
        <source>Geçersiz Kart ID: </source>
        <translation>Invalid Card ID: </translation>
    </message>
    <message>
        <source>Mevcut kart listesi silinecek ve cihaz hafızasındaki kartlar listeye eklenecek. Onaylıyor musunuz?</source>
        <translation>The current card list will be cleared and the cards in the device&apos;s memory added to it. Do you confirm?</translation>
    </message>
    <message>
        <source>Kart numaraları cihazdan alınamadı</source>
        <translation>The card numbers could not be received from the device</translation>
    </message>
    <message>
        <source>Cihaz kart hafızası boş</source>
        <translation>The device&apos;s card memory is empty</translation>
    </message>
    <message>
        <source>Kart numaraları cihazdan alındı.</source>
        <translation>The card numbers were received from the device.</translation>
    </message>
    <message>
        <source>Tüm kart hafızasını silmek istediğinizden emin misiniz? <byte value="xd"/>
Bu işlem cihaz tipine bağlı olarak 1-25 saniye arası sürecektir</source>
        <translation>Are you sure you want to erase the whole card memory? <byte value="xd"/>
Depending on the device type this takes 1 to 25 seconds</translation>
    </message>
    <message>
        <source>Tüm kart hafızası silindi!</source>
        <translation>The whole card memory was erased!</translation>
    </message>
    <message>
        <source>Kart hafızası silinemedi!</source>
        <translation>The card memory could not be erased!</translation>
    </message>
    <message>
        <source>PC saatini cihaza göndermek istediğinizden emin misiniz?</source>
        <translation>Are you sure you want to send the PC clock to the device?</translation>
    </message>
    <message>
        <source>Saat Gönderildi</source>
        <translation>Clock Sent</translation>
    </message>
    <message>
        <source>Hata! Saat Gönderilemedi</source>
        <translation>Error! The Clock Could Not Be Sent</translation>
    </message>
    <message>
        <source>Cihazın offline geçiş hafızasını silmek istediğinizden emin misiniz?</source>
        <translation>Are you sure you want to erase the device&apos;s offline passage memory?</translation>
    </message>
    <message>
        <source>Offline Geçiş Hafızası Silindi</source>
        <translation>Offline Passage Memory Erased</translation>
    </message>
    <message>
        <source>Hata! Offline Geçiş Hafızası Silinemedi</source>
        <translation>Error! The Offline Passage Memory Could Not Be Erased</translation>
    </message>
    <message>
        <source>Offline Kayıtları Cihazdan Almak İstiyor musunuz?</source>
        <translation>Do You Want to Receive the Offline Records from the Device?</translation>
    </message>
    <message>
        <source>Mevcut Cihaz ID hatalı, 1-255 arası bir sayı giriniz!</source>
        <translation>The Current ID is wrong, enter a number from 1 to 255!</translation>
    </message>
    <message>
        <source>Kayıt Bulunamadı... Kapı:</source>
        <translation>No Records Found... Door:</translation>
    </message>
    <message>
        <source>Offline Kayıtlar Alınıyor... Kapı:</source>
        <translation>Receiving Offline Records... Door:</translation>
    </message>
    <message>
        <source>Offline Kayıtlar Alınamadı... Kapı:</source>
        <translation>Offline Records Could Not Be Received... Door:</translation>
    </message>
    <message>
        <source>Offline Kayıtlar Veritabanına Ekleniyor... Kapı:</source>
        <translation>Adding Offline Records to the Database... Door:</translation>
    </message>
    <message>
        <source>Kayıtlar dosyaya yazılamadı, cihaz hafızası silinmedi! Kapı:</source>
        <translation>The records could not be written to the file, the device memory was not erased! Door:</translation>
    </message>
    <message>
        <source>Kayıtların tamamı alınamadı, cihaz hafızası silinmedi! Kapı:</source>
        <translation>Not all records could be received, the device memory was not erased! Door:</translation>
    </message>
    <message>
        <source>Offline Kayıtlar Siliniyor... Kapı:</source>
        <translation>Erasing Offline Records... Door:</translation>
    </message>
    <message>
        <source>İşlem Tamamalandı, Fakat Offline Kayıtlar Silinirken Hata Oluştu! Kapı:</source>
        <translation>Operation Completed, But an Error Occurred While Erasing the Offline Records! Door:</translation>
    </message>
    <message>
        <source>İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:</source>
        <translation>Operation Completed, Offline Records Erased... Door:</translation>
    </message>
    <message>
        <source>İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!</source>
        <translation>Operation Completed, But the Offline Records Were Not Erased!</translation>
    </message>
    <message>
        <source>NotePad.exe programı çalıştırılamadı</source>
        <translation>The NotePad.exe program could not be started</translation>
    </message>
    <message>
        <source>Tamam</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Zaman aşımı</source>
        <translation>Time-out</translation>
    </message>
    <message>
        <source>Hatalı yanıt</source>
        <translation>Bad reply</translation>
    </message>
    <message>
        <source>Çakışma</source>
        <translation>Collision</translation>
    </message>
    <message>
        <source>Bu adreste iki okuyucu olabilir: yanıtları bozuk ya da birbirini tutmuyor.</source>
        <translation>There may be two readers at this address: their replies are garbled or do not agree.</translation>
    </message>
    <message>
        <source>Durduruldu</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Kayıtlar dosyaya yazılamadı, hafıza silinmedi</source>
        <translation>Records not written to the file, memory not erased</translation>
    </message>
    <message>
        <source>Kayıtların tamamı alınamadı, hafıza silinmedi</source>
        <translation>Not all records received, memory not erased</translation>
    </message>
    <message>
        <source>Kayıtlar alındı, hafıza silinemedi</source>
        <translation>Records received, memory could not be erased</translation>
    </message>
    <message>
        <source>Kayıt yok</source>
        <translation>No records</translation>
    </message>
    <message>
        <source>%1 kayıt alındı</source>
        <translation>%1 records received</translation>
    </message>
    <message>
        <source>%1 kart gönderildi</source>
        <translation>%1 cards sent</translation>
    </message>
    <message>
        <source>Bu modelde yok (yalnızca %1)</source>
        <translation>Not on this model (only %1)</translation>
    </message>
    <message>
        <source>Lütfen listeden okuyucu seçiniz</source>
        <translation>Please select readers in the list</translation>
    </message>
    <message>
        <source>Lütfen 0-255 arası bir adres aralığı giriniz</source>
        <translation>Please enter an address range from 0 to 255</translation>
    </message>
    <message>
        <source>Lütfen 0-86400 snd arası bir saat farkı giriniz</source>
        <translation>Please enter a clock drift from 0 to 86400 s</translation>
    </message>
    <message>
        <source>CSV Dosyaları (*.csv)|*.csv</source>
        <translation>CSV Files (*.csv)|*.csv</translation>
    </message>
    <message>
        <source>Metin Dosyaları (*.txt)|*.txt</source>
        <translation>Text Files (*.txt)|*.txt</translation>
    </message>
    <message>
        <source>Başıboş bayt</source>
        <translation>Stray byte</translation>
    </message>
    <message>
        <source>%1: %2 hatalı</source>
        <translation>%1: wrong %2</translation>
    </message>
    <message>
        <source>%1: sürüm %2, bu program %3</source>
        <translation>%1: version %2, this program %3</translation>
    </message>
    <message>
        <source>Gösterilen geçiş sayısı: %1</source>
        <translation>Passages shown: %1</translation>
    </message>
    <message>
        <source>Kart sahipleri dosyası hatalı, satır %1: %2</source>
        <translation>Card holders file is wrong, line %1: %2</translation>
    </message>
    <message>
        <source>%1 kart sahibi alındı</source>
        <translation>%1 card holders imported</translation>
    </message>
    <message>
        <source>Hattı Kaydet…</source>
        <translation>Save Line…</translation>
    </message>
    <message>
        <source>Dosyayla Karşılaştır…</source>
        <translation>Compare with File…</translation>
    </message>
    <message>
        <source>Dosyayı Uygula…</source>
        <translation>Apply File…</translation>
    </message>
    <message>
        <source>Kayıt Görüntüleyici</source>
        <translation>Record Viewer</translation>
    </message>
    <message>
        <source>Başlangıç:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>Bitiş:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Okuyucular:</source>
        <translation>Readers:</translation>
    </message>
    <message>
        <source>Listele</source>
        <translation>List</translation>
    </message>
    <message>
        <source>Kart Sahiplerini Al</source>
        <translation>Import Card Holders</translation>
    </message>
    <message>
        <source>Tarih - Saat</source>
        <translation>Date - Time</translation>
    </message>
    <message>
        <source>Hat</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>Okuyucu</source>
        <translation>Reader</translation>
    </message>
    <message>
        <source>Kart ID</source>
        <translation>Card ID</translation>
    </message>
    <message>
        <source>Kart Sahibi</source>
        <translation>Card Holder</translation>
    </message>
    <message>
        <source>Hat Dosyaları (*.json)|*.json</source>
        <translation>Line Files (*.json)|*.json</translation>
    </message>
    <message>
        <source>Kaydedildi</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>Dosyadaki gibi</source>
        <translation>As in the file</translation>
    </message>
    <message>
        <source>Dosyada yok</source>
        <translation>Not in the file</translation>
    </message>
    <message>
        <source>Uygulandı</source>
        <translation>Applied</translation>
    </message>
    <message>
        <source>Kartlar okunamıyor, olduğu gibi kalacak</source>
        <translation>Cards cannot be read, left as they are</translation>
    </message>
    <message>
        <source>Hattaki okuyucular dosyadaki gibi, gönderilecek bir şey yok</source>
        <translation>The readers of the line are as in the file, nothing to send</translation>
    </message>
    <message>
        <source>Ayar farkı: %1</source>
        <translation>Settings differ: %1</translation>
    </message>
    <message>
        <source>%1 kart eklenecek</source>
        <translation>%1 cards to add</translation>
    </message>
    <message>
        <source>Kart hafızası silinip %1 kart gönderilecek</source>
        <translation>Card memory to be erased and %1 cards sent</translation>
    </message>
    <message>
        <source>Okuyucu %1: %2</source>
        <translation>Reader %1: %2</translation>
    </message>
    <message>
        <source>Dosyadaki ayarlar ve kartlar hatta gönderilecek:
%1
Onaylıyor musunuz?</source>
        <translation>The settings and cards of the file will be sent to the line:
%1
Do you confirm?</translation>
    </message>
    <message>
        <source>Hat dosyası hatalı: %1, okuyucu %2, alan &quot;%3&quot;</source>
        <translation>Line file is wrong: %1, reader %2, field &quot;%3&quot;</translation>
    </message>
    <message>
        <source>Hat dosyası hatalı: %1 %2</source>
        <translation>Line file is wrong: %1 %2</translation>
    </message>
    <message>
        <source>Kayıtlar veritabanına yazılamadı, cihaz hafızası silinmedi! Kapı:</source>
        <translation>Records could not be written to the database, device memory not erased! Door:</translation>
    </message>
    <message>
        <source>Kayıtlar veritabanına yazılamadı, hafıza silinmedi</source>
        <translation>Records could not be written to the database, memory not erased</translation>
    </message>
    <message>
        <source>Kayıt veritabanı adresi hatalı</source>
        <translation>Record database address is wrong</translation>
    </message>
    <message>
        <source>Kayıt veritabanı sürücüsü bulunamadı</source>
        <translation>Record database driver not found</translation>
    </message>
    <message>
        <source>Kayıt veritabanına bağlanılamadı</source>
        <translation>Could not connect to the record database</translation>
    </message>
    <message>
        <source>Kayıt veritabanı bu programın daha yeni bir sürümüne ait, değiştirilmedi</source>
        <translation>The record database belongs to a newer version of this program, left unchanged</translation>
    </message>
    <message>
        <source>Kayıt veritabanı açılamadı</source>
        <translation>Record database could not be opened</translation>
    </message>
    <message>
        <source>Kayıt veritabanı okunamadı</source>
        <translation>Record database could not be read</translation>
    </message>
    <message>
        <source>Kayıt veritabanına yazılamadı</source>
        <translation>Could not write to the record database</translation>
    </message>
    <message>
        <source>adres türü (postgresql://)</source>
        <translation>address kind (postgresql://)</translation>
    </message>
    <message>
        <source>sunucu</source>
        <translation>server</translation>
    </message>
    <message>
        <source>port</source>
        <translation>port</translation>
    </message>
    <message>
        <source>veritabanı adı</source>
        <translation>database name</translation>
    </message>
    <message>
        <source>Belirsiz</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Lütfen tarihi GG/AA/YYYY ya da GG/AA/YYYY SS:DD biçiminde giriniz</source>
        <translation>Please enter the date as DD/MM/YYYY or DD/MM/YYYY HH:MM</translation>
    </message>
    <message>
        <source>Lütfen okuyucu adreslerini 1-255 arası, örneğin 1,3,7-9 biçiminde giriniz</source>
        <translation>Please enter reader addresses 1-255, for example 1,3,7-9</translation>
    </message>
    <message>
        <source>UTF-8 değil</source>
        <translation>not UTF-8</translation>
    </message>
    <message>
        <source>kart numarası hatalı</source>
        <translation>card number is wrong</translation>
    </message>
    <message>
        <source>kart sahibinin adı yok</source>
        <translation>card holder has no name</translation>
    </message>
    <message>
        <source>Master Kart</source>
        <translation>Master Card</translation>
    </message>
    <message>
        <source>Model bilinmiyor (%1 olabilir): Model sütunundan seçiniz</source>
        <translation>Model not known (it may be %1): choose it in the Model column</translation>
    </message>
    <message>
        <source>Okuyucu %1 gibi yanıt verdi</source>
        <translation>The reader answered as %1</translation>
    </message>
    <message>
        <source>%1 en fazla %2 kart alır</source>
        <translation>%1 holds at most %2 cards</translation>
    </message>
    <message>
        <source>%1 (tüm %2 satırları)</source>
        <translation>%1 (every %2 row)</translation>
    </message>
    <message>
        <source>%1 bu ayarı almaz: %2</source>
        <translation>%1 does not take this setting: %2</translation>
    </message>
    <message>
        <source>Geri okunan ayarlar dosyadakinden farklı</source>
        <translation>Read back unlike the file</translation>
    </message>
    <message>
        <source>Okuyucunun modelini seçmek için tıklayınız</source>
        <translation>Click to choose the reader&apos;s model</translation>
    </message>
    <message>
        <source>Tam Bekleme</source>
        <translation>Full Wait</translation>
    </message>
    <message>
        <source>Her adreste ayar okumasının tam süresi beklenir: yavaş yanıt veren dönüştürücüler için</source>
        <translation>Every address is waited for the settings read&apos;s whole time: for converters that answer slowly</translation>
    </message>
    <message>
        <source>Cihaz kart hafızası dolu! Gönderilemeyen Kart ID: </source>
        <translation>The reader&apos;s card memory is full! Card ID not sent: </translation>
    </message>
    <message>
        <source>Kart hafızası dolu</source>
        <translation>Card memory full</translation>
    </message>
    <message>
        <source>Kart Sahipleri ve Yetkiler</source>
        <translation>Card Holders and Access</translation>
    </message>
    <message>
        <source>Kart Sahipleri</source>
        <translation>Card Holders</translation>
    </message>
    <message>
        <source>Gruplar ve Kapılar</source>
        <translation>Groups and Doors</translation>
    </message>
    <message>
        <source>Planla ve Uygula</source>
        <translation>Plan and Apply</translation>
    </message>
    <message>
        <source>Ara (ad ya da kart):</source>
        <translation>Search (name or card):</translation>
    </message>
    <message>
        <source>Ad Soyad:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Not:</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>Aktif</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>Geçerlilik Başlangıcı:</source>
        <translation>Valid From:</translation>
    </message>
    <message>
        <source>Geçerlilik Bitişi:</source>
        <translation>Valid Until:</translation>
    </message>
    <message>
        <source>GG/AA/YYYY, boş: sınırsız</source>
        <translation>DD/MM/YYYY, empty: no limit</translation>
    </message>
    <message>
        <source>Kart ID&apos;leri:</source>
        <translation>Card IDs:</translation>
    </message>
    <message>
        <source>Gruplar:</source>
        <translation>Groups:</translation>
    </message>
    <message>
        <source>Gruplarından Ayrı Geçebileceği Kapılar:</source>
        <translation>Doors Passed Apart From the Groups:</translation>
    </message>
    <message>
        <source>Yeni</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Ekle</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Kaydet</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Devre Dışı Bırak</source>
        <translation>Disable</translation>
    </message>
    <message>
        <source>Grup Adı:</source>
        <translation>Group Name:</translation>
    </message>
    <message>
        <source>Grup Ekle</source>
        <translation>Add Group</translation>
    </message>
    <message>
        <source>Grubun Geçebileceği Kapılar:</source>
        <translation>Doors the Group Passes:</translation>
    </message>
    <message>
        <source>Kapıları Kaydet</source>
        <translation>Save Doors</translation>
    </message>
    <message>
        <source>Kapı</source>
        <translation>Door</translation>
    </message>
    <message>
        <source>Kapı Adı:</source>
        <translation>Door Name:</translation>
    </message>
    <message>
        <source>Adını Değiştir</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>Kapılar ve hatlar &apos;tessaro-cli site load&apos; ya da &apos;door add&apos; ile eklenir.</source>
        <translation>Doors and lines are added with &apos;tessaro-cli site load&apos; or &apos;door add&apos;.</translation>
    </message>
    <message>
        <source>Planla</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>Uygula</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Durdur</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Kart listesini veremeyen okuyuculara da tüm listeyi gönder</source>
        <translation>Send the whole list also to readers that cannot give their card list</translation>
    </message>
    <message>
        <source>Yazılacak</source>
        <translation>To Write</translation>
    </message>
    <message>
        <source>Lütfen kart sahibinin adını giriniz (en fazla 100 karakter)</source>
        <translation>Please enter the card holder&apos;s name (at most 100 characters)</translation>
    </message>
    <message>
        <source>Bu adla bir kart sahibi zaten var: %1</source>
        <translation>There is a card holder with this name already: %1</translation>
    </message>
    <message>
        <source>%1 numaralı kart %2 adlı kart sahibinde, önce ondan alınız</source>
        <translation>Card %1 is held by %2, take it from them first</translation>
    </message>
    <message>
        <source>Lütfen tarihi GG/AA/YYYY biçiminde giriniz (boş: sınırsız)</source>
        <translation>Please enter the date as DD/MM/YYYY (empty: no limit)</translation>
    </message>
    <message>
        <source>Geçerlilik bitişi başlangıcından önce olamaz</source>
        <translation>Valid until cannot be before valid from</translation>
    </message>
    <message>
        <source>Lütfen listeden kart sahibi seçiniz</source>
        <translation>Please select a card holder from the list</translation>
    </message>
    <message>
        <source>Lütfen listeden grup seçiniz</source>
        <translation>Please select a group from the list</translation>
    </message>
    <message>
        <source>Lütfen listeden kapı seçiniz</source>
        <translation>Please select a door from the list</translation>
    </message>
    <message>
        <source>%1 veritabanında bulunamadı, liste yenilendi</source>
        <translation>%1 was not found in the database, the list was refreshed</translation>
    </message>
    <message>
        <source>Lütfen en fazla 100 karakterlik, virgül ve noktalı virgül içermeyen bir ad giriniz</source>
        <translation>Please enter a name of at most 100 characters without commas and semicolons</translation>
    </message>
    <message>
        <source>Bu adla bir grup zaten var: %1</source>
        <translation>There is a group with this name already: %1</translation>
    </message>
    <message>
        <source>Bu ad başka bir kapının: %1</source>
        <translation>This is the name of another door: %1</translation>
    </message>
    <message>
        <source>Hatlarda kapı yok</source>
        <translation>There are no doors on the lines</translation>
    </message>
    <message>
        <source>Değişiklik yok</source>
        <translation>No change</translation>
    </message>
    <message>
        <source>Kart hafızası silinip %1 kart gönderilecek (%2 kart çıkacak)</source>
        <translation>The card memory will be erased and %1 cards sent (%2 cards removed)</translation>
    </message>
    <message>
        <source>Güncel</source>
        <translation>Up to date</translation>
    </message>
    <message>
        <source>Gönderilecek</source>
        <translation>To be written</translation>
    </message>
    <message>
        <source>Okunuyor...</source>
        <translation>Reading...</translation>
    </message>
    <message>
        <source>Yazılıyor...</source>
        <translation>Writing...</translation>
    </message>
    <message>
        <source>Hat bağlantısı açılamadı</source>
        <translation>The line&apos;s link could not be opened</translation>
    </message>
    <message>
        <source>Hattın kilidi veritabanından alınamadı</source>
        <translation>The line&apos;s lock could not be had from the database</translation>
    </message>
    <message>
        <source>Yapılmadı</source>
        <translation>Not done</translation>
    </message>
    <message>
        <source>Hat başka bir programa geçti, yapılmadı</source>
        <translation>Another program took the line, not done</translation>
    </message>
    <message>
        <source>Onaylanmadı</source>
        <translation>Not confirmed</translation>
    </message>
    <message>
        <source>Geri okunan kartlar listeden farklı</source>
        <translation>The cards read back differ from the list</translation>
    </message>
    <message>
        <source>%1 hattı başka bir programda (%2, süreç %3, %4 saatinden beri), bekleniyor...</source>
        <translation>Line %1 is being worked by another program (%2, process %3, since %4), waiting...</translation>
    </message>
    <message>
        <source>Plandaki kartlar %1 kapıya gönderilecek, bunların %2 tanesinin kart hafızası önce silinecek. Onaylıyor musunuz?</source>
        <translation>The plan&apos;s cards will be sent to %1 doors, %2 of them with their card memory erased first. Do you confirm?</translation>
    </message>
</context>
</TS>
