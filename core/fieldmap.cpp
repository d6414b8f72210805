#include "core/fieldmap.h"

namespace fieldmap {

namespace {

using K = Kind;

// Field 1 to field 56. The captions are the form's labels without their colon and range
// hints; the form labels a threshold and its alarm text alike, so a threshold gets its unit.
constexpr std::array<Field, kFieldCount> kFields = {{
    {K::Text, "SMS központ száma", "smskp"},
    {K::ZeroFilled, "Modul PIN-kódja", "m_pin"},
    {K::ZeroFilled, "Modul azonosító száma", "m_id"},
    {K::Text, "Modul neve", "m_nev"},
    {K::Text, "Bemenet visszaállás", "visszaallas"},
    {K::ZeroFilled, "Relé meghúzási idő", "rele_time"},
    {K::Text, "Max. sms-ek száma 2 óra alatt", "maxsms"},
    {K::OutputMask, "Kimenetek rácsengetés hatására"},
    {K::Constant,
     "Analóg bemenet alacsony riasztás (V)",
     "000",
     {{{"abe1_lo", 2}, {"abe1_lo_2", 1}}}},
    {K::Constant, "Analóg bemenet magas riasztás (V)", "299", {{{"abe1_hi", 2}, {"abe1_hi_2", 1}}}},
    {K::AnalogRange, "Max. bemenő feszültség"},
    {K::Constant, "Pulzusszámláló maximális értéke", "99999", {{{"abe2_hi", 5}}}},
    {K::Empty, "13. mező (üres)"},
    {K::Empty, "14. mező (üres)"},
    {K::Empty, "15. mező (üres)"},
    {K::Empty, "16. mező (üres)"},
    {K::Text, "Analóg bemenet alacsony riasztás", "abe1_lo_msg"},
    {K::Text, "Analóg bemenet magas riasztás", "abe1_hi_msg"},
    {K::Text, "Analóg bemenet visszaállás", "abe1_vissza"},
    {K::Text, "Pulzusszámláló túlcsordulás riasztás", "abe2_hi_msg"},
    {K::Empty, "21. mező (üres)"},
    {K::Empty, "22. mező (üres)"},
    {K::Text, "Analóg bemenet neve", "be_a1_nev"},
    {K::Text, "Pulzusszámláló bemenet neve", "be_a2_nev"},
    {K::Text, "Fázis R neve", "be1_nev"},
    {K::Text, "Fázis S neve", "be2_nev"},
    {K::Text, "Fázis T neve", "be3_nev"},
    {K::Text, "4-es bemenet neve", "be4_nev"},
    {K::Text, "Fázis R kimaradás", "be1_on_msg"},
    {K::Text, "Fázis S kimaradás", "be2_on_msg"},
    {K::Text, "Fázis T kimaradás", "be3_on_msg"},
    {K::Text, "4-es bemenet bekapcs.", "be4_on_msg"},
    {K::Text, "Fázis R visszaállás", "be1_off_msg"},
    {K::Text, "Fázis S visszaállás", "be2_off_msg"},
    {K::Text, "Fázis T visszaállás", "be3_off_msg"},
    {K::Text, "4-es bemenet kikapcs.", "be4_off_msg"},
    {K::Text, "1-es kimenet bekapcsoláskor", "ki1_on"},
    {K::Text, "2-es kimenet bekapcsoláskor", "ki2_on"},
    {K::Text, "3-as kimenet bekapcsoláskor", "ki3_on"},
    {K::Text, "4-es kimenet bekapcsoláskor", "ki4_on"},
    {K::Text, "1-es kimenet kikapcsoláskor", "ki1_off"},
    {K::Text, "2-es kimenet kikapcsoláskor", "ki2_off"},
    {K::Text, "3-as kimenet kikapcsoláskor", "ki3_off"},
    {K::Text, "4-es kimenet kikapcsoláskor", "ki4_off"},
    {K::Text, "Pulzusszámláló törlés parancs", "abe2_clr"},
    {K::Text, "Riasztások aktiválása parancs", "act_be"},
    {K::Text, "Riasztások kikapcsolása parancs", "act_ki"},
    {K::Empty, "48. mező (üres)"},
    {K::TelRow, "1. telefonszám", "t1"},
    {K::TelRow, "2. telefonszám", "t2"},
    {K::TelRow, "3. telefonszám", "t3"},
    {K::TelRow, "4. telefonszám", "t4"},
    {K::TelRow, "5. telefonszám", "t5"},
    {K::TelRow, "6. telefonszám", "t6"},
    {K::TelRow, "7. telefonszám", "t7"},
    {K::TelRow, "8. telefonszám", "t8"},
}};

} // namespace

const std::array<Field, kFieldCount>& fields()
{
    return kFields;
}

const Field& field(int number)
{
    return kFields.at(std::size_t(number - 1));
}

} // namespace fieldmap

namespace fieldmap {

QString caption(int number)
{
    if (number < 1 || number > kFieldCount)
        return QString();
    return QString::fromUtf8(field(number).caption);
}

} // namespace fieldmap
