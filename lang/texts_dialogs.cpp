// The texts of the dialogs: window captions, labels, notes, buttons, list texts and column
// headers, English beside Japanese. Each section's LABEL keys hold, in this order, the dialog's
// title, then its labels and captions, then its longer notes; the BUTTUN keys follow the order
// of the controls on the dialog. The comment on each entry names the control that shows it, so
// that a translator editing a language file can tell where a key appears.
//
// Labels carry no trailing colon: the label suffix of the language ("：" in Japanese) is added
// where a label is shown. A mnemonic stays on the same letter in both languages because the
// main window's accelerators are bound to the letter, not to the text.
#include <string_view>
#include <vector>

#include "lang/builtin_texts.h"

namespace vrtruty::lang {

const std::vector<DialogSectionTexts>& DialogSections() {
    static const std::vector<DialogSectionTexts> sections = {
        {
            .name = "MainDlg",
            .firstLabel = 0,
            .labels =
                {
                    {"TR Thermal Printer Utility",
                     "TRサーマルプリンターユーティリティ"},  // main window caption, box captions
                    {"Printer", "プリンター"},               // 213 label of the printer name
                    {"Port", "ポート"},                      // 214 label of the port name
                },
            .buttons =
                {
                    {"Printer Name and Port Settings(&P)",
                     "プリンター名とポートの設定(&P)"},            // 205
                    {"Printer Setup(&S)", "プリンター設定(&S)"},   // 203
                    {"Lan Setup(&Z)", "LAN設定(&Z)"},              // 204
                    {"Logo Settings(&L)", "ロゴ設定(&L)"},         // 206
                    {"Extension 1(&B)", "拡張機能1(&B)"},          // 207
                    {"Printer Test(&T)", "プリンターテスト(&T)"},  // 208
                    {"Version(&V)", "バージョン情報(&V)"},         // 211
                    {"Help(&H)", "ヘルプ(&H)"},                    // 210
                    {"Exit(&X)", "終了(&X)"},                      // 212
                },
            .lists = {},
        },
        {
            .name = "PortSetDlg",
            .firstLabel = 3,
            .labels =
                {
                    // dialog caption
                    {"Printer Name and Port Settings", "プリンター名とポートの設定"},
                    {"Language(&G)", "言語(&G)"},                   // 1927 language list
                    {"Printer Name(&M)", "プリンター名(&M)"},       // 1911 model list
                    {"Connected Port", "接続ポート"},               // 1900 group
                    {"Port Connection Setting", "ポート接続設定"},  // 1906 group
                    {"Port Name(&P)", "ポート名(&P)"},              // 1907 for USB, COM and LPT

                    // 1907 for the printer queue choice
                    {"Printer Queue Name(&P)", "プリンターキュー名(&P)"},
                    {"Baudrate(&B)", "ボーレート(&B)"},            // 1908
                    {"Format(&F)", "フォーマット(&F)"},            // 1909
                    {"Protocol(&R)", "プロトコル(&R)"},            // 1910
                    {"IP Address(&P)", "IPアドレス(&P)"},          // 1920
                    {"Printer List(&T)", "プリンターリスト(&T)"},  // 1922

                    // 1924 note at the top
                    {"Connect the PC and printer, then turn the printer's power on,\\n"
                     "make the following settings, and click [OK].",
                     "パソコンとプリンターを接続し、プリンターの電源を入れてから、\\n"
                     "以下の設定を行い、[OK]をクリックしてください。"},
                    // 1925 note for USB
                    {"If the port name is shown as \"None\",\\n"
                     "then double-check that the PC and the\\n"
                     "printer are connected, and that the printer's\\n"
                     "power is on. Finally, click [Refresh].\\n"
                     "\\n"
                     "If the Serial No. is invalid during the printer\\n"
                     "setup, then the Serial No. will appear as \"0\"…",
                     "ポート名が「なし」と表示される場合は、\\n"
                     "パソコンとプリンターが接続されていること、\\n"
                     "プリンターの電源が入っていることを確認し、\\n"
                     "[更新]をクリックしてください。\\n"
                     "\\n"
                     "プリンターの設定でシリアル番号が無効に\\n"
                     "なっている場合、シリアル番号は「0」と表示されます。"},
                    // 1925 note for the printer queue choice
                    {"If the printer queue name is shown as \"None\",\\n"
                     "then add a queue for the printer in the system's\\n"
                     "printer settings, or select another port.",
                     "プリンターキュー名が「なし」と表示される場合は、\\n"
                     "システムのプリンター設定で、使用するプリンターの\\n"
                     "キューを追加するか、別のポートを選択してください。"},
                    // 1929 note for LAN
                    {"After a printer search is performed, the [Printer List]\\n"
                     "will show all connected TR printers.",
                     "プリンターの検索を行うと、接続されているすべての\\n"
                     "TRプリンターが[プリンターリスト]に表示されます。"},
                },
            .buttons =
                {
                    {"&USB", "&USB"},  // 1902 radio
                    {"&COM", "&COM"},  // 1901 radio
                    {"&LPT", "&LPT"},  // 1903 radio
                    {"LA&N", "LA&N"},  // 1905 radio

                    // 1904 radio
                    {"Same port as an installed printer queue (&W)",
                     "インストール済みのプリンターキューと同じポート(&W)"},
                    {"Refresh(&D)", "更新(&D)"},  // 275 USB only
                    {"Add(&A)", "追加(&A)"},      // 270 LAN
                    {"Search(&S)", "検索(&S)"},   // 271 LAN
                    {"Delete(&E)", "削除(&E)"},   // 272 LAN

                    // 273, also OK of the logo gradation choice
                    {"OK", "OK"},
                    // 274, also Cancel of the logo gradation choice
                    {"Cancel", "キャンセル"},
                },
            .lists =
                {
                    {"IP Address", "IPアドレス"},    // 1923 column 0
                    {"MAC Address", "MACアドレス"},  // 1923 column 1
                },
        },
        {
            .name = "PrinterSetupDlg",
            .firstLabel = 19,
            .labels =
                {
                    {"Printer Setup", "プリンター設定"},         // 1101 pane title
                    {"*: Default Value", "*：初期値"},           // 1103 legend of the default mark
                    {"Print buzzer setting", "印字ブザー設定"},  // 1581 group on "Customize Value"

                    // 1100 status line while reading
                    {"Loading settings from the printer...",
                     "プリンターから設定を読み込んでいます..."},
                    // 1100 status line after reading
                    {"Settings have been loaded from the printer.",
                     "プリンターから設定を読み込みました。"},
                    // 1101 pane title while the window shows the network pages
                    {"Lan Setup", "LAN設定"},
                },
            .buttons =
                {
                    {"Send Settings to Printer(&O)", "プリンターへ設定を送信(&O)"},  // 223
                    {"Get Printer Settings(&G)", "プリンターの設定を取得(&G)"},      // 222
                    {"Print Setting List(&R)", "設定一覧を印刷(&R)"},                // 224
                    {"Revert to Default(&D)", "初期値に戻す(&D)"},                   // 225
                    {"Import from File(&I)", "ファイルから読み込み(&I)"},            // 221
                    {"Export to File(&E)", "ファイルへ保存(&E)"},                    // 220
                    {"Sound check(&M)", "鳴動確認(&M)"},  // 228 on "Customize Value"

                    // network pages only; never shown for this catalogue
                    {"Initialize LAN Settings(&W)", "LAN設定の初期化(&W)"},
                },
            .lists = {},
        },
        {
            .name = "LogoSetDlg",
            .firstLabel = 25,
            .labels =
                {
                    {"Logo Settings", "ロゴ設定"},                     // 1730 pane title
                    {"Logo File List(&F)", "ロゴファイルリスト(&F)"},  // 1731
                    {"Edit", "編集"},                                  // 1733 group
                    {"Logo File Name", "ロゴファイル名"},              // 1734
                    {"Keycode(&K)", "キーコード(&K)"},                 // 1736
                    {"Gradation(&B)", "階調(&B)"},                     // 1739

                    // 1738
                    {"Printer Registration List(&W)", "プリンター登録リスト(&W)"},
                    {"Print", "印刷"},  // 1743 group

                    // 1746
                    {"Maximum printer registration size :", "プリンター最大登録サイズ"},
                    // 1747
                    {"Logo file list registration size :", "ロゴファイルリスト登録サイズ"},
                    {"Printer registration size :", "プリンター登録サイズ"},  // 1748
                    {"byte", "バイト"},                                       // 1752 to 1754 units

                    // 1741 right-aligned note above the file list
                    {"Up to 60 files can be registered.", "最大60ファイルまで登録できます。"},
                    // 2010 gradation choice; its label 2011 shows the "Gradation" column header
                    {"An image file is loaded.\\nSelect a gradation level for registering.",
                     "画像ファイルを読み込みます。\\n登録する階調を選択してください。"},
                },
            .buttons =
                {
                    {"Add File(&A)", "ファイル追加(&A)"},                      // 232
                    {"Delete(&D)", "削除(&D)"},                                // 236
                    {"Delete All(&E)", "すべて削除(&E)"},                      // 234
                    {"Load(&J)", "読み込み(&J)"},                              // 231
                    {"Save(&M)", "保存(&M)"},                                  // 241
                    {"Two Colors(&C)", "2色(&C)"},                             // 242 edit group
                    {"Enter(&Y)", "確定(&Y)"},                                 // 233
                    {"Register =>(&R)", "登録 =>(&R)"},                        // 235
                    {"Delete(&Q)", "削除(&Q)"},                                // 237 printer side
                    {"Delete All(&U)", "すべて削除(&U)"},                      // 238 printer side
                    {"Print(&I)", "印刷(&I)"},                                 // 239
                    {"Print All(&N)", "すべて印刷(&N)"},                       // 240
                    {"Two Colors(&O)", "2色(&O)"},                             // 243 print group
                    {"Get Registered Information(&G)", "登録情報の取得(&G)"},  // 230
                },
            .lists =
                {
                    {"Register", "登録"},                  // 1732 column 0
                    {"Logo File Name", "ロゴファイル名"},  // 1732 column 1
                    {"Size", "サイズ"},                    // 1732 column 2

                    // 1732 column 3, and the single column of 1742
                    {"Keycode", "キーコード"},
                    {"Two Colors", "2色"},  // 1732 column 4

                    // 1732 column 5, and label 2011 of the gradation choice
                    {"Gradation", "階調"},
                    // 1740 and 2012 entries and column 5 cells; the gradation choice compares
                    // the shown entry with "2", so these stay digits in every language
                    {"2", "2"},
                    {"16", "16"},
                },
        },
        {
            .name = "Extension1Dlg",
            .firstLabel = 41,
            .labels =
                {
                    {"Extension 1", "拡張機能1"},  // 1780 pane title

                    // 1781 description of the defaults group
                    {"Default value of the printer is changed.",
                     "プリンターの初期値を変更します。"},
                    // 1782 description of the send-file group
                    {"The file is sent to the printer.", "ファイルをプリンターへ送信します。"},
                },
            .buttons =
                {
                    {"Change default value(&C)", "初期値の変更(&C)"},  // 250
                    {"Test print(&D)", "テスト印字(&D)"},              // 251
                    {"Reference(&R)", "参照(&R)"},                     // 252
                    {"Send file(&E)", "ファイル送信(&E)"},             // 253
                },
            .lists = {},
        },
        {
            .name = "TestPrintDlg",
            .firstLabel = 44,
            .labels =
                {
                    {"Printer Test", "プリンターテスト"},  // 1850 pane title

                    // 1854 beside Print Head Test
                    {"Prints a backslash \"/\" pattern to test for head disconnection.",
                     "斜線「/」のパターンを印字して、ヘッドの断線を確認します。"},
                    // 1855 beside Buzzer Test
                    {"Sounds the buzzer three times.", "ブザーを3回鳴らします。"},
                    // 1856 beside Cutter Test
                    {"Feeds the paper through and cuts it.", "用紙を送り、カットします。"},
                    // 1857 beside Drawer Test
                    {"Opens the specified drawer.", "指定したドロワーを開きます。"},
                },
            .buttons =
                {
                    {"Print Head Test(&A)",
                     "印字ヘッドテスト(&A)"},  // 260
                                               // 261; U, as B opens Extension 1 from the button
                                               // column
                    {"Buzzer Test(&U)", "ブザーテスト(&U)"},
                    {"Cutter Test(&C)", "カッターテスト(&C)"},  // 262
                    {"Drawer Test(&D)", "ドロワーテスト(&D)"},  // 263
                    {"Drawer &1", "ドロワー&1"},                // 1852 radio
                    {"Drawer &2", "ドロワー&2"},                // 1853 radio
                },
            .lists = {},
        },
    };
    return sections;
}

BuiltInText ExtensionNotChangeText() {
    return {"Not Change", "変更しない"};
}

}  // namespace vrtruty::lang
