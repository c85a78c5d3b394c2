"""Fictional breaking-news items for the demo feed server, and their wire form.

Every item belongs to one of the twelve section ids the widget knows by name; the
headlines vary in length and carry quotes, ampersands and apostrophes on purpose, so
wrapping and escaping get exercised by ordinary demo content.
"""

import datetime

# The sections the demo items belong to (ITEMS names them by their place here): the section id
# the service files an item under, the name the widget shows for that id (its section labels,
# string resources 400-411), the folder the section's links live under, and the section number.
SECTIONS = [
    ("24927681", "Gündem", "gundem", "2"),
    ("24927412", "Dünya", "dunya", "3"),
    ("24927361", "Ekonomi", "ekonomi", "4"),
    ("24928011", "Spor", "spor", "5"),
    ("24927997", "Politika", "politika", "6"),
    ("24928008", "Magazin", "magazin", "12"),
    ("24927482", "Sağlık", "saglik", "13"),
    ("24927532", "Teknoloji", "teknoloji", "14"),
    ("25042599", "Kültür Sanat", "kultur-sanat", "27"),
    ("24928015", "Yaşam", "yasam", "28"),
    ("24996390", "Eğitim", "egitim", "29"),
    ("24928019", "Son Dakika", "son-dakika", "30"),
]

LINK_HOST = "http://haber.pelikora.example"
RECORD_SEPARATOR = "\u00f1"  # travels as the bytes C3 B1
FIELD_SEPARATOR = "|"

# (section index, headline, summary); newest first.
ITEMS = [
    (0, "İstanbul'da sağanak yağış: Bazı ilçelerde ulaşım aksadı",
     "Sabah saatlerinde etkili olan sağanak nedeniyle Kadıköy ve Beşiktaş'ta bazı caddeler "
     "su altında kaldı. Belediye ekipleri bölgede çalışma başlattı."),
    (2, "Merkez Bankası faiz kararını açıkladı",
     "Politika faizi yüzde 42,5'te sabit tutuldu. Karar metninde enflasyondaki düşüş "
     "eğiliminin yakından izleneceği vurgulandı."),
    (3, "Anadolu Yıldızları kaptanı maç sonu konuştu: \"Taraftarımıza söz verdik, bu kupayı "
        "İzmir'e getireceğiz ve sezonu şampiyon olarak tamamlayacağız\"",
     "Takım, yarı final rövanşında rakibini uzatmalarda 3-2 yendi."),
    (1, "Avrupa'da fırtına alarmı: Uçuşlar iptal edildi",
     "Kuzey Avrupa'yı etkisi altına alan fırtına nedeniyle yüzlerce uçuş iptal edildi. "
     "Meteoroloji uzmanları rüzgârın yarın öğlene kadar süreceğini bildirdi."),
    (0, "Marmara Denizi'nde 4,2 büyüklüğünde deprem",
     "Deprem, Tekirdağ açıklarında 7 kilometre derinlikte meydana geldi. İlk belirlemelere "
     "göre can ve mal kaybı bulunmuyor."),
    (11, "Trafikte yeni dönem başlıyor: Hız sınırlarını aşan ve emniyet kemeri takmayan "
         "sürücülere uygulanacak cezalar, kamera sistemleriyle anında tespit edilerek cep "
         "telefonuna bildirilecek",
     "Sistem ilk aşamada üç büyükşehirde devreye girecek. Uygulamanın yıl sonuna kadar tüm "
     "illere yayılması planlanıyor."),
    (2, "\"Yılmaz & Kaya Holding\" yeni yatırımını duyurdu: Kocaeli'ye 3 bin kişilik fabrika",
     "Şirket, yatırımın iki yıl içinde tamamlanmasını hedefliyor. Fabrikada elektrikli araç "
     "bataryası üretilecek."),
    (6, "Sağlık Bakanlığı uyardı: Grip vakalarında artış var",
     "Uzmanlar, özellikle 65 yaş üstü vatandaşların aşılarını yaptırmasını öneriyor. "
     "Hastanelerde acil servis yoğunluğu sürüyor."),
    (4, "Meclis'te yeni yasama dönemi başladı",
     "Genel Kurul'un ilk oturumunda bütçe takvimi ve komisyon üyelikleri görüşüldü."),
    (7, "Yerli uydu yörüngeye başarıyla yerleştirildi",
     "Uydu, ilk sinyallerini yer istasyonuna gönderdi. Haberleşme hizmetlerinin üç ay içinde "
     "başlaması bekleniyor."),
    (0, "Ankara'da toplu taşımaya yeni düzenleme: Metro ve otobüs seferleri hafta sonu gece "
        "yarısına kadar uzatılıyor, öğrenci kartlarında indirim oranı yüzde 50'ye çıkıyor",
     "Düzenleme önümüzdeki ay yürürlüğe girecek. Belediye, yoğun saatlerde sefer sıklığının "
     "da artırılacağını açıkladı."),
    (9, "Hafta sonu hava nasıl olacak? Meteoroloji'den kar uyarısı",
     "Doğu Anadolu'da kar kalınlığının 30 santimetreyi bulması bekleniyor. Sürücülerin "
     "zincir bulundurması istendi."),
    (2, "Borsa güne rekorla başladı: Endeks ilk kez 12.000 puanı aştı",
     "Bankacılık ve sanayi hisselerindeki alımlar endeksi yukarı taşıdı. Analistler kâr "
     "satışlarına karşı uyardı."),
    (3, "Milli takım, Avrupa Şampiyonası elemelerinde deplasmanda 2-1 kazandı",
     "Ay-yıldızlılar ikinci yarıda bulduğu gollerle geri döndü. Grupta liderlik el "
     "değiştirdi."),
    (5, "Ünlü şarkıcıdan sürpriz karar: Sahnelere veda ediyor",
     "Sanatçı, sosyal medya hesabından yaptığı paylaşımda son konserini eylülde açık hava "
     "tiyatrosunda vereceğini duyurdu."),
    (1, "BM Genel Kurulu'nda iklim zirvesi: 140 ülke ortak bildiriye imza attı",
     "Bildiri, 2035'e kadar karbon salımının yarıya indirilmesini öngörüyor. Bazı ülkeler "
     "ise çekincelerini kayda geçirdi."),
    (6, "Türk bilim insanlarının geliştirdiği yapay zekâ destekli erken teşhis yöntemi, "
        "uluslararası bir tıp dergisinde yayımlanarak büyük ilgi gördü",
     "Yöntem, akciğer görüntülerindeki küçük lezyonları yüzde 94 doğrulukla saptayabiliyor."),
    (10, "Üniversite sınavı sonuçları açıklandı",
     "Adaylar sonuçlarına kimlik numaralarıyla erişebilecek. Tercih dönemi 2 Ağustos'ta "
     "başlıyor."),
    (7, "Ar-Ge & inovasyon fuarı İzmir'de kapılarını açtı",
     "Fuarda 300'ü aşkın girişim ürünlerini sergiliyor. Etkinlik pazar akşamına kadar "
     "ücretsiz ziyaret edilebilecek."),
    (4, "Dışişleri'nden açıklama: Komşu ülkeyle vize muafiyeti anlaşması imzalandı",
     "Anlaşma, iki ülke vatandaşlarının 90 güne kadar vizesiz seyahat etmesine olanak "
     "tanıyor. Düzenleme yaz aylarında yürürlüğe girecek."),
    (8, "Kapadokya'da 2 bin yıllık yer altı şehri keşfedildi",
     "Kazı ekibi, şehrin en az 10 kat derinliğe ulaştığını tahmin ediyor. Buluntular "
     "restorasyonun ardından müzede sergilenecek."),
    (2, "Akaryakıta zam geldi: Benzinin litresi 1,35 lira arttı",
     "Zam bu gece yarısından itibaren pompaya yansıyacak. Motorinde ise bir değişiklik "
     "beklenmiyor."),
    (9, "Bayram tatili öncesi otogarlarda yoğunluk: Ek seferler konuldu, bilet fiyatları "
        "geçen yılın aynı dönemine göre yüzde 30 arttı",
     "Yolcular, özellikle Karadeniz ve Doğu Anadolu hatlarında bilet bulmakta zorlanıyor."),
    (3, "Boğaziçi Spor'da teknik direktör istifa etti",
     "Kulüp yönetimi istifanın kabul edildiğini açıkladı. Yeni teknik direktör için "
     "görüşmelerin başladığı öğrenildi."),
    (1, "Güney Amerika'da yanardağ patlaması; çevredeki köyler tahliye ediliyor",
     "Yetkililer, kül bulutunun bölgedeki havalimanlarında da uçuşları aksattığını açıkladı."),
    (8, "Uluslararası film festivalinde \"Altın Lale\" ödülü genç yönetmenin",
     "Ödül töreni dün akşam yapıldı. Film, köyünden şehre göç eden bir ailenin hikâyesini "
     "anlatıyor. Yapımın önümüzdeki ay vizyona girmesi bekleniyor."),
    (11, "Köprü ve otoyol geçiş ücretlerine yeni tarife",
     "Otomobiller için köprü geçişi 47 liraya yükseldi. Yeni tarife pazartesi gününden "
     "itibaren uygulanacak."),
    (5, "Yeşilçam'ın unutulmaz filmi 4K olarak yeniden vizyonda",
     "Restorasyon çalışması iki yıl sürdü. Film, 50'nci yılına özel gösterimlerle "
     "seyirciyle buluşacak."),
    (10, "Okullarda yarıyıl tatili bir hafta uzatıldı",
     "Karar, artan grip vakaları nedeniyle alındı. Derslerin telafisi için cumartesi "
     "programı hazırlanacak."),
    (3, "Basketbolda derbi heyecanı: Salon biletleri 10 dakikada tükendi",
     "Cumartesi akşamı oynanacak karşılaşma için ek tribün açılması gündemde."),
    (4, "Seçim takvimi netleşti: Aday listeleri 20 gün önce teslim edilecek",
     "Seçim kurulu, partilerin listelerini çevrim içi sistem üzerinden de iletebileceğini "
     "duyurdu. İtirazlar üç gün içinde karara bağlanacak."),
    (7, "5G ihalesinin tarihi belli oldu",
     "İhale sonbaharda yapılacak. Frekans paketleri için başvurular gelecek ay başlıyor."),
]

FIRST_ID = 1048372
NEWEST = datetime.datetime(2025, 3, 14, 17, 42, 10)

_ASCII = str.maketrans("çğıöşüâîûÇĞİÖŞÜÂÎÛ", "cgiosuaiucgiosuaiu")


def slug(title, words=7):
    """Link-friendly form of a headline: lower-case ASCII words joined by hyphens."""
    text = title.replace("İ", "i").translate(_ASCII).lower()
    cleaned = "".join(c if c.isascii() and c.isalnum() else " " for c in text)
    return "-".join(cleaned.split()[:words])


def records(copies=1):
    """Every item as its list of wire fields, newest first; with copies > 1 the list repeats,
    each copy under ids of its own, for long-list measurements."""
    out = []
    when = NEWEST
    for n, (section, title, summary) in enumerate(ITEMS * copies):
        section_id, _, folder, number = SECTIONS[section]
        item_id = str(FIRST_ID - 7 * n)
        link = f"{LINK_HOST}/{folder}/{slug(title)}-{item_id}.htm"
        if n % 3 == 2:
            # Some links carry a query so the widget's link encoding sees '?', '=' and '&'.
            link += "?kaynak=widget&tip=sondakika"
        picture = f"{LINK_HOST}/resim/{item_id}.jpg"
        # The service usually prefixes the section with "Son Dakika" and one separator byte.
        label = section_id if n % 4 == 3 else "Son Dakika " + section_id
        out.append([item_id, number, title, summary, picture,
                    when.strftime("%d.%m.%Y %H:%M:%S"), link, label])
        when -= datetime.timedelta(minutes=6 + (n * 5) % 17)
    return out


def encode(fields_list):
    """The service's answer body: records joined by the separator, in UTF-8."""
    for fields in fields_list:
        for field in fields:
            if FIELD_SEPARATOR in field or RECORD_SEPARATOR in field:
                raise ValueError(f"separator inside a field: {field!r}")
    text = RECORD_SEPARATOR.join(FIELD_SEPARATOR.join(f) for f in fields_list)
    return text.encode("utf-8")


# Items of the demo's standard feeds; each format serves every third of them (RSS from the
# first, Atom from the second, JSON Feed from the third), so a merged list shows all three
# sources with their own labels. Summaries carry a little HTML, as real feeds' do. Every
# character is in windows-1254, which the legacy RSS variant is served in.
FEED_ITEMS = [
    ("Kış lastiği uygulaması 1 Aralık'ta başlıyor",
     "<p>Ticari araçlar için zorunlu uygulama <b>1 Nisan</b>'a kadar sürecek.</p>"),
    ("Göç yolundaki leylekler Bursa'da mola verdi",
     "<p>Kuş gözlemcileri sürünün <i>3 bin</i> leylekten oluştuğunu tahmin ediyor.</p>"),
    ("Dolar ve avro güne yatay başladı",
     "<p>Piyasalar yurt dışındaki enflasyon verilerini bekliyor.</p>"),
    ("Şehir hatları vapurlarına yeni sefer: Üsküdar–Karaköy arası 10 dakikada bir",
     "<p>Yeni tarife pazartesi sabahı yürürlüğe giriyor. Ayrıntılar için "
     "<a href=\"/ulasim/tarife\">tarife sayfası</a>.</p>"),
    ("Genç satranççılar Avrupa'dan 4 madalyayla döndü",
     "<p>Milli sporcular Batum'daki turnuvada 2 altın, 2 bronz kazandı.</p>"),
    ("\"Müze Gecesi\" etkinliğine yoğun ilgi",
     "<p>Müzeler gece yarısına kadar açık kaldı &amp; ziyaretçi sayısı 40 bini aştı.</p>"),
    ("Karadeniz'de fırtına uyarısı: Balıkçılar denize açılmadı",
     "<p>Meteoroloji, rüzgârın yarın öğleden sonra etkisini yitireceğini bildirdi.</p>"),
    ("Öğretmen atamalarında tercih dönemi başladı",
     "<p>Adaylar tercihlerini 5 gün içinde elektronik ortamda yapabilecek.</p>"),
    ("Çiftçilere mazot ve gübre desteği ödemeleri hesaplara yatırıldı",
     "<p>Ödemeler il müdürlükleri aracılığıyla yapıldı.</p>"),
    ("İzmir'de kültür yolu festivali sürüyor",
     "<p>Festival kapsamında 120'den fazla etkinlik düzenleniyor.</p>"),
    ("Erzurum'da kayak sezonu açıldı",
     "<p>Palandöken'de kar kalınlığı 80 santimetreyi buldu.</p>"),
    ("Yerli otomobil ihracatı ilk çeyrekte yüzde 18 arttı",
     "<p>En büyük pazar yine Avrupa Birliği ülkeleri oldu.</p>"),
]

FEED_HOST = "http://demo.pelikora.example"
FEED_FORMATS = ("rss", "atom", "json")
FEED_TITLES = {
    "rss": "Pelikora RSS Haber",
    "atom": "Pelikora Atom Haber",
    "json": "Pelikora JSON Haber",
}
# Istanbul is three hours ahead of UTC all year.
ISTANBUL = datetime.timezone(datetime.timedelta(hours=3))
FEED_NEWEST = (NEWEST - datetime.timedelta(minutes=3)).replace(tzinfo=ISTANBUL)


def feed_items(fmt):
    """The items one feed format serves, newest first, as dictionaries."""
    start = FEED_FORMATS.index(fmt)
    out = []
    for n in range(start, len(FEED_ITEMS), len(FEED_FORMATS)):
        title, summary = FEED_ITEMS[n]
        ident = f"{FEED_HOST}/haber/{slug(title)}-{500 + n}"
        out.append({
            "id": ident,
            "title": title,
            "summary": summary,
            # Links are relative to the feed's own address, as many publishers write them.
            "link": f"/haber/{slug(title)}-{500 + n}.html",
            "date": FEED_NEWEST - datetime.timedelta(minutes=9 * n),
        })
    return out
