<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="tr">
<context>
    <name>web</name>
    <message>
        <source>Geçişler</source>
        <translation>Passages</translation>
    </message>
    <message>
        <source>Kart Sahipleri</source>
        <translation>Card Holders</translation>
    </message>
    <message>
        <source>Kapılar ve Hatlar</source>
        <translation>Doors and Lines</translation>
    </message>
    <message>
        <source>Kullanıcılar</source>
        <translation>Users</translation>
    </message>
    <message>
        <source>Hesabım</source>
        <translation>My Account</translation>
    </message>
    <message>
        <source>Çıkış</source>
        <translation>Log out</translation>
    </message>
    <message>
        <source>Giriş</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>Tessaro Web Konsolu</source>
        <translation>Tessaro Web Console</translation>
    </message>
    <message>
        <source>İş %1</source>
        <translation>Job %1</translation>
    </message>
    <message>
        <source>Kullanıcı adı:</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>Şifre:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Şifre (tekrar):</source>
        <translation>Password (again):</translation>
    </message>
    <message>
        <source>Yeni şifre:</source>
        <translation>New password:</translation>
    </message>
    <message>
        <source>Kullanıcı adı veya şifre hatalı.</source>
        <translation>Wrong user name or password.</translation>
    </message>
    <message>
        <source>Çok fazla hatalı giriş: hesap 15 dakika kilitli.</source>
        <translation>Too many failed logins: the account is locked for 15 minutes.</translation>
    </message>
    <message>
        <source>Şifreler aynı değil ya da 8 karakterden kısa.</source>
        <translation>The passwords differ or are shorter than 8 characters.</translation>
    </message>
    <message>
        <source>Şifre değişti; diğer oturumlar kapatıldı.</source>
        <translation>Password changed; your other sessions were ended.</translation>
    </message>
    <message>
        <source>Şifreyi Değiştir</source>
        <translation>Change Password</translation>
    </message>
    <message>
        <source>Rol:</source>
        <translation>Role:</translation>
    </message>
    <message>
        <source>Kullanıcıyı Kaydet</source>
        <translation>Save User</translation>
    </message>
    <message>
        <source>Kullanıcı kaydedildi.</source>
        <translation>User saved.</translation>
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
        <source>Kart ID:</source>
        <translation>Card ID:</translation>
    </message>
    <message>
        <source>Listele</source>
        <translation>List</translation>
    </message>
    <message>
        <source>CSV Olarak İndir</source>
        <translation>Download as CSV</translation>
    </message>
    <message>
        <source>%1 geçiş</source>
        <translation>%1 passages</translation>
    </message>
    <message>
        <source>Sonraki Sayfa</source>
        <translation>Next Page</translation>
    </message>
    <message>
        <source>İlk Sayfa</source>
        <translation>First Page</translation>
    </message>
    <message>
        <source>Saat başına geçişler</source>
        <translation>Passages per hour</translation>
    </message>
    <message>
        <source>Gün başına geçişler</source>
        <translation>Passages per day</translation>
    </message>
    <message>
        <source>Tarih ve Saat</source>
        <translation>Date and Time</translation>
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
        <source>Kart</source>
        <translation>Card</translation>
    </message>
    <message>
        <source>Yön</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Kart Sahibi</source>
        <translation>Card Holder</translation>
    </message>
    <message>
        <source>Süzgeç hatalı: %1</source>
        <translation>Not a filter value: %1</translation>
    </message>
    <message>
        <source>Ad:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Kartlar:</source>
        <translation>Cards:</translation>
    </message>
    <message>
        <source>Gruplar:</source>
        <translation>Groups:</translation>
    </message>
    <message>
        <source>Geçerlilik başlangıcı:</source>
        <translation>Valid from:</translation>
    </message>
    <message>
        <source>Geçerlilik bitişi:</source>
        <translation>Valid until:</translation>
    </message>
    <message>
        <source>Not:</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>Etkin</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>Devre dışı</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>Yeni Kart Sahibi</source>
        <translation>New Card Holder</translation>
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
        <source>Düzenle</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Ara:</source>
        <translation>Search:</translation>
    </message>
    <message>
        <source>Erişim planı: bir sonraki uygulamada kartları gidecek kapılar</source>
        <translation>Access plan: the doors the cards go to at the next apply</translation>
    </message>
    <message>
        <source>Hiçbir kapı yok.</source>
        <translation>No door.</translation>
    </message>
    <message>
        <source>Kaydedilemedi: %1</source>
        <translation>Not saved: %1</translation>
    </message>
    <message>
        <source>Kaydedildi.</source>
        <translation>Saved.</translation>
    </message>
    <message>
        <source>Tarihler</source>
        <translation>Dates</translation>
    </message>
    <message>
        <source>Durum</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Bağlantı:</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>Kapı</source>
        <translation>Door</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Son kayıt alma</source>
        <translation>Last pull</translation>
    </message>
    <message>
        <source>Kayıt sayısı</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>Saat farkı (sn)</source>
        <translation>Clock drift (s)</translation>
    </message>
    <message>
        <source>Son erişim uygulaması</source>
        <translation>Last access apply</translation>
    </message>
    <message>
        <source>Kayıtları Şimdi Al</source>
        <translation>Pull the Records Now</translation>
    </message>
    <message>
        <source>Erişim Listelerini Uygula</source>
        <translation>Apply the Access Lists</translation>
    </message>
    <message>
        <source>Saatleri Eşitle</source>
        <translation>Sync the Clocks</translation>
    </message>
    <message>
        <source>Son işler</source>
        <translation>Recent jobs</translation>
    </message>
    <message>
        <source>İsteyen</source>
        <translation>Requested by</translation>
    </message>
    <message>
        <source>Çalıştıran</source>
        <translation>Worker</translation>
    </message>
    <message>
        <source>Sonuç</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>İş</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>sırada</source>
        <translation>queued</translation>
    </message>
    <message>
        <source>çalışıyor</source>
        <translation>running</translation>
    </message>
    <message>
        <source>bitti</source>
        <translation>done</translation>
    </message>
    <message>
        <source>başarısız</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>kayıt alma</source>
        <translation>records pull</translation>
    </message>
    <message>
        <source>erişim uygulama</source>
        <translation>access apply</translation>
    </message>
    <message>
        <source>saat eşitleme</source>
        <translation>clock sync</translation>
    </message>
    <message>
        <source>Hat Ekle</source>
        <translation>Add Line</translation>
    </message>
    <message>
        <source>Kapı Ekle</source>
        <translation>Add Door</translation>
    </message>
    <message>
        <source>Adres:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Bilinmeyen hat.</source>
        <translation>Unknown line.</translation>
    </message>
    <message>
        <source>Hattın bilgisayarındaki tessaro-cli work işi alınca başlar.</source>
        <translation>It starts when tessaro-cli work on the line's PC takes it.</translation>
    </message>
    <message>
        <source>Bu işlem için yetkiniz yok.</source>
        <translation>You may not do this.</translation>
    </message>
    <message>
        <source>Bulunamadı.</source>
        <translation>Not found.</translation>
    </message>
    <message>
        <source>Geçersiz istek.</source>
        <translation>Bad request.</translation>
    </message>
    <message>
        <source>Veritabanı hatası.</source>
        <translation>Store error.</translation>
    </message>
    <message>
        <source>%1 numaralı kart %2 adlı kişide.</source>
        <translation>Card %1 belongs to %2.</translation>
    </message>
    <message>
        <source>Ad boş, 100 karakterden uzun ya da denetim karakterli.</source>
        <translation>The name is empty, longer than 100 characters or holds a control character.</translation>
    </message>
    <message>
        <source>Bu ad kullanılıyor.</source>
        <translation>This name is taken.</translation>
    </message>
    <message>
        <source>Kart numarası değil: %1</source>
        <translation>Not a card number: %1</translation>
    </message>
    <message>
        <source>Tarih değil: %1</source>
        <translation>Not a date: %1</translation>
    </message>
    <message>
        <source>Bilinmeyen grup: %1</source>
        <translation>Unknown group: %1</translation>
    </message>
    <message>
        <source>Bağlantı &quot;tcp HOST[:PORT]&quot; ya da &quot;serial AYGIT [HIZ [PARİTE]]&quot; olmalı.</source>
        <translation>The link is "tcp HOST[:PORT]" or "serial DEVICE [BAUD [PARITY]]".</translation>
    </message>
    <message>
        <source>Adres 1-255 arası olmalı.</source>
        <translation>The address is 1-255.</translation>
    </message>
    <message>
        <source>Bilinmeyen model.</source>
        <translation>Unknown model.</translation>
    </message>
    <message>
        <source>Bu hatta bu adreste bir kapı var.</source>
        <translation>This door name or address is taken.</translation>
    </message>
    <message>
        <source>liste modelin alabileceğinden uzun</source>
        <translation>the list is longer than the model holds</translation>
    </message>
    <message>
        <source>hiç</source>
        <translation>never</translation>
    </message>
    <message>
        <source>tamam</source>
        <translation>done</translation>
    </message>
</context>
</TS>
