#include "settings/localized_texts_table.h"

namespace velira
{

// The texts exactly as the user interface shows them, with their access-key
// ampersands, in UTF-8; a lookup converts them to code page 1250.
const std::array<LocalizedRow, kLocalizedTextCount> kLocalizedTexts = {{
    {"Čeština", "English", "Slovenčina"},                                               // 0
    {"Překladač Velira Basicu", "Velira Basic Interpreter", "Prekladač Velira Basicu"}, // 1
    {"&Program", "&Program", "&Program"},                                               // 2
    {"&Spustit", "&Start", "&Spustiť"},                                                 // 3
    {"Na&stavení", "&Settings", "Na&stavenia"},                                         // 4
    {"Prostř&edí", "&Environment", "Prostr&edie"},                                      // 5
    {"Provedené změny se projeví až poté, co znovu spustíte program.",
     "Your changes will be applied after you restart the program.",
     "Vykonané zmeny sa prejavia až po najbližšom spustení programu."},       // 6
    {"&Ok", "&OK", "&Ok"},                                                    // 7
    {"Zrušit", "Cancel", "Zrušiť"},                                           // 8
    {"&jazyk", "&Language", "&jazyk"},                                        // 9
    {"Nastavení prostředí", "environment settings", "Nastavenie prostredia"}, // 10
    {"Nastavení hlasu", "Voice settings", "Nastavenie hlasu"},                // 11
    {"&Hlasy", "&Voices", "&Hlasy"},                                          // 12
    {"&Výška", "&Pitch", "&Výška"},                                           // 13
    {"&Rychlost", "&Speed", "&Rýchlosť"},                                     // 14
    {"Hla&sitost", "Vo&lume", "Hla&sitosť"},                                  // 15
    {"Zvolit hl&as", "&Choose voice", "Zvoliť hl&as"},                        // 16
    {"Za&vřít", "&Close", "Za&vrieť"},                                        // 17
    {"Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky.",
     "The voice is turned off. You can turn it on in the Sounds dialog, menu Settings",
     "Používanie hlasu nie je povolené. Povoliť ho môžete v menu Nastavenia/Zvuky."}, // 18
    {"Hlas vybrán.", "Voice selected.", "Hlas vybratý."},                             // 19
    {"&Zvuky", "&Sounds", "&Zvuky"},                                                  // 20
    {"Nastavení zvuků", "Sounds settings", "Nastavenie zvukov"},                      // 21
    {"Povolit &hlas", "Use the &voice", "Povoliť &hlas"},                             // 22
    {"Vlož data", "Enter data", "Vlož data"},                                         // 23
    {"czech", "english", "slovak"},                                                   // 24
    {"hotovo", "ready", "hotovo"},                                                    // 25
    {"Obrazovka", "Screen", "Obrazovka"},                                             // 26
    {"Používat hlas SA&PI5", "Use SA&PI5 voice", "Používať hlas SA&PI5"},             // 27
    {"H&lasitost zvuků", "Sound vo&lume", "H&lasitosť zvukov"},                       // 28
    {"prázdný řádek", "empty line", "prázdny riadok"},                                // 29
    {"konec obrazovky", "end of screen", "koniec obrazovky"},                         // 30
    {"řádek", "line", "riadok"},                                                      // 31
    {"sloupec", "column", "stĺpec"},                                                  // 32
    {"Kon&ec", "&Exit", "Koni&ec"},                                                   // 33
    {"Ná&pověda", "Hel&p", "&Pomoc"},                                                 // 34
    {"O progr&amu", "&About", "O progr&ame"},                                         // 35
    {"O programu", "About", "O programe"},                                            // 36
    {"verze", "version", "verzia"},                                                   // 37
    {"&Hlas", "&Voice", "&Hlas"},                                                     // 38
    {"Zvuky &Veliry", "&Velira sounds", "Zvuky &Veliry"},                             // 39
    {"Nelze povolit hlas. Žádné hlasy nejsou k dispozici.", "Can't allow voice, no voices are available",
     "Nie je možné povoliť hlas. Žiadne hlasy nie sú k dispozícii."},           // 40
    {"Obrazovka je plná.", "The screen is full.", "Obrazovka je plná."},        // 41
    {"Nelze nalézt soubor", "Can't find the file", "Nie je možné nájsť súbor"}, // 42
    {"Nelze nalézt hlas uvedený v ini souboru:", "Can't find the voice specified in the ini file:",
     "Nie je možné nájsť hlas, uvedený v ini súbore:"},                                                 // 43
    {"Prosím přepiš", "Please retype", "Prosím prepíš"},                                                // 44
    {"U&končit program", "E&xit program", "U&končiť program"},                                          // 45
    {"&Braillská klávesnice", "&Braille keyboard", "&Braillská klávesnica"},                            // 46
    {"&Odezva klávesnice", "&Echo keyboard", "&Odozva klávesnice"},                                     // 47
    {"Zvuky", "Sounds", "Zvuky"},                                                                       // 48
    {"Znaky", "Chars", "Znaky"},                                                                        // 49
    {"Slova", "Words", "Slová"},                                                                        // 50
    {"&Automaticky přepínat klávesnici", "Keyboard &autochanging", "&Automaticky prepínať klávesnicu"}, // 51
    {"&Přečíst stavový řádek", "&Read status bar", "&Prečítať stavový riadok"},                         // 52
    {"Klasická", "Classic", "Klasická"},                                                                // 53
    {"Braillská", "Braille", "Braillská"},                                                              // 54
    {"Autorežim je vypnut", "Automode is off", "Autorežim je vypnutý"},                                 // 55
    {"Autorežim je zapnut", "Automode is on", "Autorežim je zapnutý"},                                  // 56
    // Beyond the device's own texts: the refreshable braille display.
    {"Braillský řá&dek", "Braille &display", "Braillovský ria&dok"},                 // 57
    {"Braillský řádek zapnut", "Braille display on", "Braillovský riadok zapnutý"},  // 58
    {"Braillský řádek vypnut", "Braille display off", "Braillovský riadok vypnutý"}, // 59
    // The screen's size and colours.
    {"Ba&rvy", "&Colours", "&Farby"},                                                // 60
    {"Barvy plochy", "Desktop colours", "Farby pracovnej plochy"},                   // 61
    {"Bílá na černé", "White on black", "Biela na čiernej"},                         // 62
    {"Žlutá na černé", "Yellow on black", "Žltá na čiernej"},                        // 63
    {"Černá na bílé", "Black on white", "Čierna na bielej"},                         // 64
    {"Černá na žluté", "Black on yellow", "Čierna na žltej"},                        // 65
    {"&Větší písmo", "&Larger text", "&Väčšie písmo"},                               // 66
    {"&Menší písmo", "S&maller text", "&Menšie písmo"},                              // 67
    {"Původní veli&kost písma", "&Normal text size", "Pôvodná veľ&kosť písma"},      // 68
    {"Velikost písma %d pixelů", "Font size %d pixels", "Veľkosť písma %d pixelov"}, // 69
    // Beside a screen reader: the Settings menu item and what it answers.
    {"Č&tečka obrazovky", "Screen &reader", "Čí&tačka obrazovky"},                                   // 70
    {"Čtečka obrazovky: automaticky", "Screen reader: automatic", "Čítačka obrazovky: automaticky"}, // 71
    {"Čtečka obrazovky: vždy", "Screen reader: always", "Čítačka obrazovky: vždy"},                  // 72
    {"Čtečka obrazovky: nikdy", "Screen reader: never", "Čítačka obrazovky: nikdy"},                 // 73
    // Orca's echo in the shell's windows: the Settings menu item, the notice
    // given once when the shell sets it off, and what the item answers.
    {"Ozvě&na Orky", "&Orca's echo", "Ozve&na Orky"}, // 74
    {"Velira vypnula ozvěnu kláves Orky ve svých oknech, kde klávesy čte sama. V ostatních programech "
     "zůstává Orka, jak byla. Ozvěnu zapnete znovu položkou Ozvěna Orky v menu Nastavení.",
     "Velira has turned Orca's key echo off in its own windows, where it speaks its keys itself. Orca "
     "stays as it was in other programs. To turn the echo back on, choose Orca's echo in the Settings menu.",
     "Velira vypla ozvenu kláves Orky vo svojich oknách, kde klávesy číta sama. V ostatných programoch "
     "zostáva Orka, aká bola. Ozvenu znova zapnete položkou Ozvena Orky v menu Nastavenia."},        // 75
    {"Ozvěna Orky ve Veliře zapnuta", "Orca's echo in Velira on", "Ozvena Orky vo Velire zapnutá"},  // 76
    {"Ozvěna Orky ve Veliře vypnuta", "Orca's echo in Velira off", "Ozvena Orky vo Velire vypnutá"}, // 77
}};

} // namespace velira
