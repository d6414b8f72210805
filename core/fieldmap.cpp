#include "core/fieldmap.h"

namespace fieldmap {

namespace {

using K = Kind;

constexpr std::array<Field, kFieldCount> kFields = {{
    {K::Text, "smskp"},                                         //  1
    {K::ZeroFilled, "m_pin"},                                   //  2
    {K::ZeroFilled, "m_id"},                                    //  3
    {K::Text, "m_nev"},                                         //  4
    {K::Text, "visszaallas"},                                   //  5
    {K::ZeroFilled, "rele_time"},                               //  6
    {K::Text, "maxsms"},                                        //  7
    {K::OutputMask},                                            //  8
    {K::Constant, "000", {{{"abe1_lo", 2}, {"abe1_lo_2", 1}}}}, //  9: low threshold 00,0
    {K::Constant, "299", {{{"abe1_hi", 2}, {"abe1_hi_2", 1}}}}, // 10: high threshold 29,9
    {K::AnalogRange},                                           // 11
    {K::Constant, "99999", {{{"abe2_hi", 5}}}},                 // 12: counter maximum
    {K::Empty},                                                 // 13
    {K::Empty},                                                 // 14
    {K::Empty},                                                 // 15
    {K::Empty},                                                 // 16
    {K::Text, "abe1_lo_msg"},                                   // 17
    {K::Text, "abe1_hi_msg"},                                   // 18
    {K::Text, "abe1_vissza"},                                   // 19
    {K::Text, "abe2_hi_msg"},                                   // 20
    {K::Empty},                                                 // 21
    {K::Empty},                                                 // 22
    {K::Text, "be_a1_nev"},                                     // 23
    {K::Text, "be_a2_nev"},                                     // 24
    {K::Text, "be1_nev"},                                       // 25
    {K::Text, "be2_nev"},                                       // 26
    {K::Text, "be3_nev"},                                       // 27
    {K::Text, "be4_nev"},                                       // 28
    {K::Text, "be1_on_msg"},                                    // 29
    {K::Text, "be2_on_msg"},                                    // 30
    {K::Text, "be3_on_msg"},                                    // 31
    {K::Text, "be4_on_msg"},                                    // 32
    {K::Text, "be1_off_msg"},                                   // 33
    {K::Text, "be2_off_msg"},                                   // 34
    {K::Text, "be3_off_msg"},                                   // 35
    {K::Text, "be4_off_msg"},                                   // 36
    {K::Text, "ki1_on"},                                        // 37
    {K::Text, "ki2_on"},                                        // 38
    {K::Text, "ki3_on"},                                        // 39
    {K::Text, "ki4_on"},                                        // 40
    {K::Text, "ki1_off"},                                       // 41
    {K::Text, "ki2_off"},                                       // 42
    {K::Text, "ki3_off"},                                       // 43
    {K::Text, "ki4_off"},                                       // 44
    {K::Text, "abe2_clr"},                                      // 45
    {K::Text, "act_be"},                                        // 46
    {K::Text, "act_ki"},                                        // 47
    {K::Empty},                                                 // 48
    {K::TelRow, "t1"},                                          // 49
    {K::TelRow, "t2"},                                          // 50
    {K::TelRow, "t3"},                                          // 51
    {K::TelRow, "t4"},                                          // 52
    {K::TelRow, "t5"},                                          // 53
    {K::TelRow, "t6"},                                          // 54
    {K::TelRow, "t7"},                                          // 55
    {K::TelRow, "t8"},                                          // 56
}};

// The captions of the form's labels, without their colon and range hints. The form labels
// a threshold and its alarm text alike; the threshold gets its unit.
const char* const kCaptions[kFieldCount] = {
    "SMS központ száma",
    "Modul PIN-kódja",
    "Modul azonosító száma",
    "Modul neve",
    "Bemenet visszaállás",
    "Relé meghúzási idő",
    "Max. sms-ek száma 2 óra alatt",
    "Kimenetek rácsengetés hatására",
    "Analóg bemenet alacsony riasztás (V)",
    "Analóg bemenet magas riasztás (V)",
    "Max. bemenő feszültség",
    "Pulzusszámláló maximális értéke",
    "13. mező (üres)",
    "14. mező (üres)",
    "15. mező (üres)",
    "16. mező (üres)",
    "Analóg bemenet alacsony riasztás",
    "Analóg bemenet magas riasztás",
    "Analóg bemenet visszaállás",
    "Pulzusszámláló túlcsordulás riasztás",
    "21. mező (üres)",
    "22. mező (üres)",
    "Analóg bemenet neve",
    "Pulzusszámláló bemenet neve",
    "Fázis R neve",
    "Fázis S neve",
    "Fázis T neve",
    "4-es bemenet neve",
    "Fázis R kimaradás",
    "Fázis S kimaradás",
    "Fázis T kimaradás",
    "4-es bemenet bekapcs.",
    "Fázis R visszaállás",
    "Fázis S visszaállás",
    "Fázis T visszaállás",
    "4-es bemenet kikapcs.",
    "1-es kimenet bekapcsoláskor",
    "2-es kimenet bekapcsoláskor",
    "3-as kimenet bekapcsoláskor",
    "4-es kimenet bekapcsoláskor",
    "1-es kimenet kikapcsoláskor",
    "2-es kimenet kikapcsoláskor",
    "3-as kimenet kikapcsoláskor",
    "4-es kimenet kikapcsoláskor",
    "Pulzusszámláló törlés parancs",
    "Riasztások aktiválása parancs",
    "Riasztások kikapcsolása parancs",
    "48. mező (üres)",
    "1. telefonszám",
    "2. telefonszám",
    "3. telefonszám",
    "4. telefonszám",
    "5. telefonszám",
    "6. telefonszám",
    "7. telefonszám",
    "8. telefonszám",
};

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
    return QString::fromUtf8(kCaptions[number - 1]);
}

} // namespace fieldmap
