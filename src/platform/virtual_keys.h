#pragma once

// Windows virtual-key codes. The key rules of the shell are written in them,
// whatever the platform underneath; the Qt layer maps its key events here.
namespace velira::vk
{

constexpr int kBack = 0x08;
constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kShift = 0x10;
constexpr int kControl = 0x11;
constexpr int kMenu = 0x12; // Alt
constexpr int kPause = 0x13;
constexpr int kCapital = 0x14; // Caps Lock
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kPrior = 0x21; // Page Up
constexpr int kNext = 0x22;  // Page Down
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kSnapshot = 0x2C; // Print Screen
constexpr int kInsert = 0x2D;
constexpr int kDelete = 0x2E;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
constexpr int k0 = 0x30;
constexpr int kA = 0x41;
constexpr int kD = 0x44;
constexpr int kF = 0x46;
constexpr int kJ = 0x4A;
constexpr int kK = 0x4B;
constexpr int kL = 0x4C;
constexpr int kQ = 0x51;
constexpr int kS = 0x53;
constexpr int kZ = 0x5A;
constexpr int kLWin = 0x5B;
constexpr int kApps = 0x5D; // the context-menu key
constexpr int kNumpad0 = 0x60;
constexpr int kMultiply = 0x6A;
constexpr int kAdd = 0x6B;
constexpr int kSubtract = 0x6D;
constexpr int kDecimal = 0x6E;
constexpr int kDivide = 0x6F;
constexpr int kF1 = 0x70;
constexpr int kF2 = 0x71;
constexpr int kF4 = 0x73;
constexpr int kF6 = 0x75;
constexpr int kF7 = 0x76;
constexpr int kF8 = 0x77;
constexpr int kF24 = 0x87;
constexpr int kNumLock = 0x90;
constexpr int kScroll = 0x91;
// Punctuation keys, named by their place on a US keyboard.
constexpr int kOem1 = 0xBA;      // ; :
constexpr int kOemPlus = 0xBB;   // = +
constexpr int kOemComma = 0xBC;  // , <
constexpr int kOemMinus = 0xBD;  // - _
constexpr int kOemPeriod = 0xBE; // . >
constexpr int kOem2 = 0xBF;      // / ?
constexpr int kOem3 = 0xC0;      // ` ~
constexpr int kOem4 = 0xDB;      // [ {
constexpr int kOem5 = 0xDC;      // \ |
constexpr int kOem6 = 0xDD;      // ] }
constexpr int kOem7 = 0xDE;      // ' "
constexpr int kOem102 = 0xE2;    // the extra key left of Z on European keyboards
// A character key that has no code of its own here.
constexpr int kOemOther = 0xE1;

} // namespace velira::vk
