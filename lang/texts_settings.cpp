// The setting names and choices of the Printer Setup pages. Each list is in the order of the
// setting's stored index: the index a page selects is the byte the record keeps, so the order
// of the choices is part of the printer protocol, not a matter of presentation.
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "lang/builtin_texts.h"

namespace vrtruty::lang {
namespace {

using Choices = std::vector<BuiltInText>;

// Technical tokens read the same in both languages.
constexpr BuiltInText Same(std::string_view text) {
    return {text, text};
}

constexpr BuiltInText kDisable{"Disable", "無効"};
constexpr BuiltInText kEnable{"Enable", "有効"};
constexpr BuiltInText kAutoRecovery{"Auto Recovery", "自動復帰"};
constexpr BuiltInText kRecoveryByCommand{"Recovery by CMND", "コマンド復帰"};
constexpr BuiltInText kUninstalled{"Uninstall", "未装着"};
constexpr BuiltInText kInstalled{"Installed", "装着"};

Choices DisableEnable() {
    return {kDisable, kEnable};
}
Choices EnableDisable() {
    return {kEnable, kDisable};
}
Choices UninstalledInstalled() {
    return {kUninstalled, kInstalled};
}

// "Print Density" and "BK Density(2Color)" share one scale: index 6 is the printer's 100%.
Choices DensityPercent() {
    return {Same("70%"),  Same("75%"),  Same("80%"),  Same("85%"),  Same("90%"),
            Same("95%"),  Same("100%"), Same("105%"), Same("110%"), Same("115%"),
            Same("120%"), Same("125%"), Same("130%")};
}

// Speed steps; the page cuts the list to the steps the model supports.
Choices SpeedSteps(std::size_t count) {
    static constexpr BuiltInText kSteps[] = {Same("1"), Same("2"),  Same("3"), Same("4"),
                                             Same("5"), Same("6"),  Same("7"), Same("8"),
                                             Same("9"), Same("10"), Same("11")};
    const auto steps = std::span(kSteps).first(count);
    return {steps.begin(), steps.end()};
}

SettingPageTexts MemorySwitchPage() {
    return {
        {"Memory Switch", "メモリスイッチ"},
        {
            // byte 49
            {{"Power on Status", "電源投入時ステータス"}, DisableEnable()},
            // byte 50
            {{"Receive Buffer", "受信バッファ"}, {{"4KByte", "4Kバイト"}, {"45Byte", "45バイト"}}},
            // byte 51
            {{"Busy Condition", "BUSY条件"},
             {{"Offline/Bufferfull", "オフライン/バッファフル"}, {"Bufferfull", "バッファフル"}}},
            // byte 52
            {{"Receive Error", "受信エラー"}, {{"?Print", "?印字"}, {"Ignore", "無視"}}},
            // byte 53
            {{"Auto LF", "オートLF"}, DisableEnable()},
            // byte 54
            {{"DSR(#6)Reset", "DSR(#6)リセット"}, DisableEnable()},
            // byte 55
            {{"INIT(#25)Reset", "INIT(#25)リセット"}, DisableEnable()},
            // byte 56
            {{"INIT(#31)Reset", "INIT(#31)リセット"}, DisableEnable()},
            // byte 58
            {{"Cover Open Error", "カバーオープンエラー"}, {kAutoRecovery, kRecoveryByCommand}},
            // byte 57
            {{"BM Check at Power on", "電源投入時BMチェック"}, EnableDisable()},
            // byte 94
            {{"Font", "フォント"}, {{"Mincho", "明朝"}, {"Gothic", "ゴシック"}}},
        }};
}

constexpr BuiltInText kNvGraphicMemory{"NV Graphic Memory", "NVグラフィックメモリ"};

SettingPageTexts CustomizeValuePage() {
    return {{"Customize Value", "カスタマイズ値"},
            {
                // byte 59
                {{"User NV Memory", "ユーザーNVメモリ"},
                 {{"1KByte", "1Kバイト"},
                  {"64KByte", "64Kバイト"},
                  {"128KByte", "128Kバイト"},
                  {"192KByte", "192Kバイト"}}},
                // byte 60: every model but the TR-770II, which counts in 512-KByte steps
                {kNvGraphicMemory,
                 {{"None", "なし"},
                  {"64KByte", "64Kバイト"},
                  {"128KByte", "128Kバイト"},
                  {"192KByte", "192Kバイト"},
                  {"256KByte", "256Kバイト"},
                  {"320KByte", "320Kバイト"},
                  {"384KByte", "384Kバイト"}}},
                // byte 61
                {{"Paper Width", "用紙幅"},
                 {{"83mm/53column", "83mm/53桁"},
                  {"80mm/48column", "80mm/48桁"},
                  {"80mm/42column", "80mm/42桁"},
                  {"60mm/36column", "60mm/36桁"},
                  {"58mm/35column", "58mm/35桁"},
                  {"58mm/32column", "58mm/32桁"}}},
                // byte 62
                {{"Print Color", "印字色"}, {{"Mono", "単色"}, {"Two", "2色"}}},
                // byte 63
                {{"Print Density", "印字濃度"}, DensityPercent()},
                // byte 90
                {{"Grayscale Density", "グレースケール濃度"},
                 {{"Mode 1 (15%⇔70%)", "モード1 (15%⇔70%)"},
                  {"Mode 2 (10%⇔70%)", "モード2 (10%⇔70%)"},
                  {"Mode 3 ( 5%⇔70%)", "モード3 ( 5%⇔70%)"},
                  {"Mode 4 (15%⇔60%)", "モード4 (15%⇔60%)"},
                  {"Mode 5 (10%⇔60%)", "モード5 (10%⇔60%)"},
                  {"Mode 6 ( 5%⇔60%)", "モード6 ( 5%⇔60%)"},
                  {"Mode 7 (15%⇔50%)", "モード7 (15%⇔50%)"},
                  {"Mode 8 (10%⇔50%)", "モード8 (10%⇔50%)"},
                  {"Mode 9 ( 5%⇔50%)", "モード9 ( 5%⇔50%)"}}},
                // byte 64
                {{"BK Density(2Color)", "黒濃度(2色)"}, DensityPercent()},
                // byte 65
                {{"Max Speed", "最高速度"}, SpeedSteps(11)},
                // byte 91
                {{"Speed at Grayscale", "グレースケール印字速度"}, SpeedSteps(9)},
                // byte 66
                {{"Low Power", "低消費電力"},
                 {{"Normal", "標準"}, {"Mode 1", "モード1"}, {"Mode 2", "モード2"}}},
                // byte 67, the list shown here outside the overseas regions
                {{"Cutter Mode", "カッターモード"},
                 {{"Command(P/F)", "コマンド(P/F)"},
                  {"Partialcut(P)", "パーシャルカット(P)"},
                  {"Fullcut(F)", "フルカット(F)"}}},
                // byte 68
                {{"Buzzer Interval", "ブザー間隔"},
                 {{"Pattern 1", "パターン1"},
                  {"Pattern 2", "パターン2"},
                  {"Pattern 3", "パターン3"},
                  {"Pattern 4", "パターン4"},
                  {"Pattern 5", "パターン5"}}},
                // byte 69
                {{"Buzzer Repetition", "ブザー繰り返し回数"},
                 {{"Zero", "0回"},
                  {"One", "1回"},
                  {"Two", "2回"},
                  {"Three", "3回"},
                  {"Four", "4回"},
                  {"Five", "5回"}}},
                // byte 92
                {{"Tof at Auto Logo", "オートロゴ印字時TOF"},
                 {Same("1.5mm"), Same("4.5mm"), Same("11.5mm")}},
                // byte 70
                {{"Baudrate", "ボーレート"},
                 {Same("2400BPS"), Same("4800BPS"), Same("9600BPS"), Same("19200BPS"),
                  Same("38400BPS"), Same("57600BPS"), Same("115200BPS")}},
                // byte 71
                {{"Format", "データ形式"},
                 {Same("7EVEN1"), Same("7ODD1"), Same("8NONE1"), Same("8EVEN1"), Same("8ODD1")}},
                // byte 72
                {{"Protocol", "プロトコル"}, {Same("DSR/DTR"), Same("XON/XOFF")}},

                // Variant of byte 60 for the TR-770II: its list replaces the regular one there.
                {kNvGraphicMemory,
                 {{"None", "なし"},
                  {"512KByte", "512Kバイト"},
                  {"1024KByte", "1024Kバイト"},
                  {"1536KByte", "1536Kバイト"},
                  {"2048KByte", "2048Kバイト"},
                  {"2560KByte", "2560Kバイト"},
                  {"3072KByte", "3072Kバイト"}}},
            }};
}

SettingPageTexts OtherPage() {
    return {
        {"Other", "その他"},
        {
            // byte 73
            {{"ACK Pulse Width", "ACKパルス幅"}, {Same("1μs"), Same("8μs")}},
            // byte 74
            {{"USB", "USB"}, {Same("V-COM"), {"Printer", "プリンター"}}},
            // byte 75
            {{"Serial Number", "シリアル番号"}, EnableDisable()},
            // byte 76
            {{"Error", "エラー"}, {kRecoveryByCommand, kAutoRecovery}},
            // byte 77
            {{"Process ID", "プロセスID"}, {{"Normal", "標準"}, {"Hi-Speed", "高速"}}},
            // byte 78
            {{"PNE Detect", "ニアエンド検出"}, DisableEnable()},
            // byte 79
            {{"Font-B", "フォントB"}, {{"Mode1", "モード1"}, {"Mode2", "モード2"}}},
            // byte 80
            {{"Batch (COM IF)", "一括印字 (COM IF)"}, DisableEnable()},
            // byte 81
            {{"Batch (Other IF)", "一括印字 (その他IF)"}, DisableEnable()},
            // byte 67, the list shown here for the overseas regions
            {{"Cutter Mode", "カッターモード"}, {{"Partial", "パーシャル"}, {"Full", "フル"}}},
            // byte 82
            {{"BM Sensor", "BMセンサー"}, UninstalledInstalled()},
            // byte 83
            {{"BM Check with Cut", "カット時BMチェック"}, DisableEnable()},
            // byte 84
            {{"Buzzer", "ブザー"}, DisableEnable()},
            // byte 85
            {{"Roll Paper Unit", "ロール紙ユニット"}, UninstalledInstalled()},
            // byte 86
            {{"Roll Paper Unit PE Detection", "ロール紙ユニットPE検出"}, {Same("PE"), Same("PNE")}},
            // byte 93
            {{"Auto Logo Print", "オートロゴ印字"}, EnableDisable()},

            // Byte 84 as the TR-770K names it; that model shows this item in place of "Buzzer".
            {{"Error Alert", "エラー報知"}, DisableEnable()},

            // The Extension 1 lists. Their pane puts its own "Not Change" entry first, so
            // choice i here is list entry i + 1 there.
            {{"Code Page", "コードページ"},
             {Same("PC437"),       Same("Katakana"), Same("PC850"),          Same("PC860"),
              Same("PC863"),       Same("PC865"),    Same("WPC1252"),        Same("PC866"),
              Same("PC852"),       Same("PC858"),    Same("Thai Code Page"), Same("MIK"),
              Same("Blank Page"),  Same("PC857"),    Same("Thai code 18"),   Same("PC864"),
              Same("PC851"),       Same("PC869"),    Same("ISO8859-2"),      Same("ISO8859-7"),
              Same("PC866 Type2"), Same("TCVN 5712")}},
            {{"International Character", "国際文字"},
             {{"America", "アメリカ"},
              {"France", "フランス"},
              {"Germany", "ドイツ"},
              {"Britain", "イギリス"},
              {"Denmark I", "デンマークI"},
              {"Sweden", "スウェーデン"},
              {"Italy", "イタリア"},
              {"Spain I", "スペインI"},
              {"Japan", "日本"},
              {"Norway", "ノルウェー"},
              {"Denmark II", "デンマークII"},
              {"Spain II", "スペインII"},
              {"Latin America", "ラテンアメリカ"},
              {"Korea", "韓国"},
              {"Slovenia/Croatia", "スロベニア/クロアチア"},
              {"China", "中国"}}},
            {{"Font A/B/C", "フォントA/B/C"},
             {{"Font A", "フォントA"}, {"Font B", "フォントB"}, {"Font C", "フォントC"}}},
        }};
}

}  // namespace

const std::vector<SettingPageTexts>& SettingPages() {
    // Slots 0-5 are the six-page layout: the language file still names them, so their names
    // stay, but no model of this catalogue shows them and they carry no settings.
    static const std::vector<SettingPageTexts> pages{
        {{"Memory Switch 1", "メモリスイッチ1"}, {}},
        {{"Memory Switch 2", "メモリスイッチ2"}, {}},
        {{"Print", "印字"}, {}},
        {{"Hardware", "ハードウェア"}, {}},
        {{"Interface", "インターフェース"}, {}},
        {{"LanSetting", "LAN設定"}, {}},
        MemorySwitchPage(),
        CustomizeValuePage(),
        OtherPage(),
    };
    return pages;
}

}  // namespace vrtruty::lang
