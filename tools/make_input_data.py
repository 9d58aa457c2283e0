#!/usr/bin/env python3
"""Writes the shipped braille table data/czech.vbt and the keyboard files
data/czech.vky, data/english.vky and data/slovak.vky, all in code page 1250.

The braille table follows the Czech six-dot braille alphabet: the letters,
the capital sign with a [#cap] section of the capitals, the number sign
(dots 3 4 5 6) with a [#num] section of the digits, and punctuation. The
capital sign of the Czech standard is dot 6; dots 4 6, which the table gave
before, select it too for those used to them (two prefix lines of one name
both select that prefix).
The keyboard files give the spoken name of every printable character of code
page 1250 in each language.

Run from anywhere: python3 tools/make_input_data.py
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, os.pardir, "data")

# ---------------------------------------------------------------- braille

LETTERS = [
    ("a", "1"), ("á", "16"), ("b", "12"), ("c", "14"), ("č", "146"),
    ("d", "145"), ("ď", "1456"), ("e", "15"), ("é", "345"), ("ě", "126"),
    ("f", "124"), ("g", "1245"), ("h", "125"), ("i", "24"), ("í", "34"),
    ("j", "245"), ("k", "13"), ("l", "123"), ("m", "134"), ("n", "1345"),
    ("ň", "1246"), ("o", "135"), ("ó", "246"), ("p", "1234"), ("q", "12345"),
    ("r", "1235"), ("ř", "2456"), ("s", "234"), ("š", "156"), ("t", "2345"),
    ("ť", "1256"), ("u", "136"), ("ú", "346"), ("ů", "23456"), ("v", "1236"),
    ("w", "12356"), ("x", "1346"), ("y", "13456"), ("ý", "12346"), ("z", "1356"),
    ("ž", "2346"),
]

# Punctuation of the Czech standard whose patterns no letter uses. The
# equals sign cannot be written in this format (an entry line is split at
# its first "="), and "<" and ">" share their patterns with ě and é.
PUNCTUATION = [
    (",", "2"), (";", "23"), (":", "25"), (".", "3"), ("?", "26"), ("!", "235"),
    ("'", "4"), ('"', "2356"), ("(", "236"), (")", "356"), ("-", "36"),
    ("*", "35"), ("+", "256"), ("/", "12456"), ("|", "456"),
]

DIGITS = [
    ("1", "1"), ("2", "12"), ("3", "14"), ("4", "145"), ("5", "15"),
    ("6", "124"), ("7", "1245"), ("8", "125"), ("9", "24"), ("0", "245"),
]


def braille_table():
    lines = [
        "Czech six-dot braille for the Velira shell.",
        "An entry is character=dots, the dot numbers in ascending order.",
        "",
        "[prefixes]",
        "#cap=6",
        "#cap=46",
        "#num=3456",
        "",
        "[characters]",
    ]
    lines += [f"{ch}={dots}" for ch, dots in LETTERS]
    lines += [f"{ch}={dots}" for ch, dots in PUNCTUATION]
    lines += ["", "[#cap]"]
    lines += [f"{ch.upper()}={dots}" for ch, dots in LETTERS]
    lines += ["", "[#num]"]
    lines += [f"{ch}={dots}" for ch, dots in DIGITS]
    # Inside a number: the decimal comma and point.
    lines += [",=2", ".=3"]
    return "\r\n".join(lines) + "\r\n"


# ---------------------------------------------------------------- names

# Letter names: (Czech, English, Slovak) for the small letter; the capital
# gets the language's word for "capital" in front.
CAPITAL = ("velké ", "capital ", "veľké ")

LETTER_NAMES = {
    "a": ("a", "ay", "a"),
    "b": ("bé", "bee", "bé"),
    "c": ("cé", "see", "cé"),
    "d": ("dé", "dee", "dé"),
    "e": ("e", "ee", "e"),
    "f": ("ef", "ef", "ef"),
    "g": ("gé", "gee", "gé"),
    "h": ("há", "aitch", "há"),
    "i": ("i", "eye", "i"),
    "j": ("jé", "jay", "jé"),
    "k": ("ká", "kay", "ká"),
    "l": ("el", "el", "el"),
    "m": ("em", "em", "em"),
    "n": ("en", "en", "en"),
    "o": ("o", "oh", "o"),
    "p": ("pé", "pee", "pé"),
    "q": ("kvé", "cue", "kvé"),
    "r": ("er", "ar", "er"),
    "s": ("es", "ess", "es"),
    "t": ("té", "tee", "té"),
    "u": ("u", "you", "u"),
    "v": ("vé", "vee", "vé"),
    "w": ("dvojité vé", "double you", "dvojité vé"),
    "x": ("iks", "ex", "iks"),
    "y": ("ypsilon", "why", "ypsilon"),
    "z": ("zet", "zed", "zet"),
    "á": ("dlouhé á", "ay acute", "dlhé á"),
    "ä": ("a přehlasované", "ay umlaut", "široké e"),
    "â": ("a se stříškou", "ay circumflex", "a so strieškou"),
    "ă": ("a s obloučkem", "ay breve", "a s oblúčikom"),
    "ą": ("a s ocáskem", "ay ogonek", "a s chvostíkom"),
    "ć": ("cé s čárkou", "see acute", "cé s dĺžňom"),
    "ç": ("cé se sedilou", "see cedilla", "cé so sedilou"),
    "č": ("čé", "see caron", "čé"),
    "ď": ("ďé", "dee caron", "ďé"),
    "đ": ("dé přeškrtnuté", "dee stroke", "preškrtnuté dé"),
    "é": ("dlouhé é", "ee acute", "dlhé é"),
    "ę": ("e s ocáskem", "ee ogonek", "e s chvostíkom"),
    "ë": ("e přehlasované", "ee umlaut", "prehlasované e"),
    "ě": ("e s háčkem", "ee caron", "e s mäkčeňom"),
    "í": ("dlouhé í", "eye acute", "dlhé í"),
    "î": ("i se stříškou", "eye circumflex", "i so strieškou"),
    "ĺ": ("el s čárkou", "el acute", "dlhé el"),
    "ľ": ("el s háčkem", "el caron", "mäkké el"),
    "ł": ("el přeškrtnuté", "el stroke", "preškrtnuté el"),
    "ń": ("en s čárkou", "en acute", "en s dĺžňom"),
    "ň": ("eň", "en caron", "eň"),
    "ó": ("dlouhé ó", "oh acute", "dlhé ó"),
    "ô": ("o se stříškou", "oh circumflex", "o s vokáňom"),
    "ő": ("o s dvojitou čárkou", "oh double acute", "o s dvojitým dĺžňom"),
    "ö": ("o přehlasované", "oh umlaut", "prehlasované o"),
    "ŕ": ("er s čárkou", "ar acute", "dlhé er"),
    "ř": ("eř", "ar caron", "er s mäkčeňom"),
    "ś": ("es s čárkou", "ess acute", "es s dĺžňom"),
    "ş": ("es se sedilou", "ess cedilla", "es so sedilou"),
    "š": ("eš", "ess caron", "eš"),
    "ţ": ("té se sedilou", "tee cedilla", "té so sedilou"),
    "ť": ("ťé", "tee caron", "ťé"),
    "ú": ("ú s čárkou", "you acute", "dlhé ú"),
    "ů": ("ů s kroužkem", "you ring", "u s krúžkom"),
    "ű": ("u s dvojitou čárkou", "you double acute", "u s dvojitým dĺžňom"),
    "ü": ("u přehlasované", "you umlaut", "prehlasované u"),
    "ý": ("dlouhé ypsilon", "why acute", "dlhé ypsilon"),
    "ź": ("zet s čárkou", "zed acute", "zet s dĺžňom"),
    "ż": ("zet s tečkou", "zed dot", "zet s bodkou"),
    "ž": ("žet", "zed caron", "žet"),
}

# The sharp s has no capital in code page 1250.
SINGLE_LETTERS = {
    "ß": ("ostré es", "sharp ess", "ostré es"),
}

SYMBOL_NAMES = {
    " ": ("mezera", "space", "medzera"),
    "!": ("vykřičník", "exclamation mark", "výkričník"),
    '"': ("uvozovky", "quotation mark", "úvodzovky"),
    "#": ("mřížka", "number sign", "mriežka"),
    "$": ("dolar", "dollar", "dolár"),
    "%": ("procento", "percent", "percento"),
    "&": ("ampersand", "ampersand", "ampersand"),
    "'": ("apostrof", "apostrophe", "apostrof"),
    "(": ("levá závorka", "left parenthesis", "ľavá zátvorka"),
    ")": ("pravá závorka", "right parenthesis", "pravá zátvorka"),
    "*": ("hvězdička", "asterisk", "hviezdička"),
    "+": ("plus", "plus", "plus"),
    ",": ("čárka", "comma", "čiarka"),
    "-": ("pomlčka", "dash", "pomlčka"),
    ".": ("tečka", "dot", "bodka"),
    "/": ("lomítko", "slash", "lomka"),
    "0": ("nula", "zero", "nula"),
    "1": ("jedna", "one", "jeden"),
    "2": ("dva", "two", "dva"),
    "3": ("tři", "three", "tri"),
    "4": ("čtyři", "four", "štyri"),
    "5": ("pět", "five", "päť"),
    "6": ("šest", "six", "šesť"),
    "7": ("sedm", "seven", "sedem"),
    "8": ("osm", "eight", "osem"),
    "9": ("devět", "nine", "deväť"),
    ":": ("dvojtečka", "colon", "dvojbodka"),
    ";": ("středník", "semicolon", "bodkočiarka"),
    "<": ("menší než", "less than", "menší ako"),
    "=": ("rovná se", "equals", "rovná sa"),
    ">": ("větší než", "greater than", "väčší ako"),
    "?": ("otazník", "question mark", "otáznik"),
    "@": ("zavináč", "at sign", "zavináč"),
    "[": ("levá hranatá závorka", "left bracket", "ľavá hranatá zátvorka"),
    "\\": ("zpětné lomítko", "backslash", "opačná lomka"),
    "]": ("pravá hranatá závorka", "right bracket", "pravá hranatá zátvorka"),
    "^": ("stříška", "caret", "strieška"),
    "_": ("podtržítko", "underscore", "podčiarkovník"),
    "`": ("obrácený apostrof", "grave accent", "obrátený apostrof"),
    "{": ("levá složená závorka", "left brace", "ľavá zložená zátvorka"),
    "|": ("svislá čára", "vertical bar", "zvislá čiara"),
    "}": ("pravá složená závorka", "right brace", "pravá zložená zátvorka"),
    "~": ("vlnovka", "tilde", "vlnovka"),
    "€": ("euro", "euro", "euro"),
    "‚": ("dolní jednoduchá uvozovka", "single low quotation mark", "dolná jednoduchá úvodzovka"),
    "„": ("dolní uvozovky", "double low quotation mark", "dolné úvodzovky"),
    "…": ("tři tečky", "ellipsis", "tri bodky"),
    "†": ("křížek", "dagger", "krížik"),
    "‡": ("dvojitý křížek", "double dagger", "dvojitý krížik"),
    "‰": ("promile", "per mille", "promile"),
    "‹": ("levá lomená uvozovka", "left angle quotation mark", "ľavá lomená úvodzovka"),
    "‘": ("levý apostrof", "left single quotation mark", "ľavý apostrof"),
    "’": ("pravý apostrof", "right single quotation mark", "pravý apostrof"),
    "“": ("horní uvozovky", "left double quotation mark", "horné úvodzovky"),
    "”": ("pravé horní uvozovky", "right double quotation mark", "pravé horné úvodzovky"),
    "•": ("odrážka", "bullet", "odrážka"),
    "–": ("krátká pomlčka", "en dash", "krátka pomlčka"),
    "—": ("dlouhá pomlčka", "em dash", "dlhá pomlčka"),
    "™": ("ochranná známka", "trade mark", "ochranná známka"),
    "›": ("pravá lomená uvozovka", "right angle quotation mark", "pravá lomená úvodzovka"),
    "\u00a0": ("pevná mezera", "no-break space", "pevná medzera"),
    "ˇ": ("háček", "caron", "mäkčeň"),
    "˘": ("oblouček", "breve", "oblúčik"),
    "¤": ("symbol měny", "currency sign", "symbol meny"),
    "¦": ("přerušená svislá čára", "broken bar", "prerušená zvislá čiara"),
    "§": ("paragraf", "section sign", "paragraf"),
    "¨": ("přehláska", "diaeresis", "prehláska"),
    "©": ("copyright", "copyright", "copyright"),
    "«": ("levé dvojité lomené uvozovky", "left double angle quotation mark", "ľavé dvojité lomené úvodzovky"),
    "¬": ("negace", "not sign", "negácia"),
    "\u00ad": ("měkký spojovník", "soft hyphen", "mäkký spojovník"),
    "®": ("registrovaná ochranná známka", "registered sign", "registrovaná ochranná známka"),
    "°": ("stupeň", "degree", "stupeň"),
    "±": ("plus minus", "plus minus", "plus mínus"),
    "˛": ("ocásek", "ogonek", "chvostík"),
    "´": ("čárka nad písmenem", "acute accent", "dĺžeň"),
    "µ": ("mikro", "micro", "mikro"),
    "¶": ("konec odstavce", "pilcrow", "koniec odseku"),
    "·": ("tečka uprostřed", "middle dot", "bodka v strede"),
    "¸": ("sedila", "cedilla", "sedila"),
    "»": ("pravé dvojité lomené uvozovky", "right double angle quotation mark", "pravé dvojité lomené úvodzovky"),
    "˝": ("dvojitá čárka nad písmenem", "double acute accent", "dvojitý dĺžeň"),
    "×": ("krát", "times", "krát"),
    "÷": ("děleno", "divided by", "delené"),
    "˙": ("tečka nad písmenem", "dot above", "bodka nad písmenom"),
}


def printable_characters():
    """Every printable character of code page 1250, by byte value."""
    for byte in list(range(0x20, 0x7F)) + list(range(0x80, 0x100)):
        try:
            ch = bytes([byte]).decode("cp1250")
        except UnicodeDecodeError:
            continue  # the five bytes the code page leaves undefined
        yield byte, ch


def spoken_name(ch, language):
    if ch in SYMBOL_NAMES:
        return SYMBOL_NAMES[ch][language]
    if ch in SINGLE_LETTERS:
        return SINGLE_LETTERS[ch][language]
    if ch in LETTER_NAMES:
        return LETTER_NAMES[ch][language]
    lower = ch.lower()
    if lower != ch and lower in LETTER_NAMES:
        return CAPITAL[language] + LETTER_NAMES[lower][language]
    raise KeyError(f"no spoken name for {ch!r} (U+{ord(ch):04X})")


def keyboard_file(language):
    lines = [f"{byte}={spoken_name(ch, language)}" for byte, ch in printable_characters()]
    return "\r\n".join(lines) + "\r\n"


def write(name, text):
    with open(os.path.join(DATA, name), "wb") as out:
        out.write(text.encode("cp1250"))


def main():
    write("czech.vbt", braille_table())
    for language, name in enumerate(("czech", "english", "slovak")):
        write(f"{name}.vky", keyboard_file(language))


if __name__ == "__main__":
    main()
