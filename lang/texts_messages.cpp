// The texts of the language file's [MSG Data] section, built in. A text's position in the list is
// its text number less 49, so the order below is the key order of the language file and must not
// change: callers address these texts by number, not by key.
#include <cstddef>
#include <string_view>
#include <vector>

#include "lang/builtin_texts.h"

namespace vrtruty::lang {
namespace {

// A file-dialog filter is a description, a zero character and a pattern in one text. A view made
// from the literal alone would stop at that zero, so the length comes from the literal's type (its
// size less the closing zero) rather than from a hand-counted number that an edit can outdate.
template <std::size_t N>
consteval std::string_view Filter(const char (&text)[N]) {
    return {text, N - 1};
}

// Texts that read the same in every language: the product's name, the legal notice.
constexpr BuiltInText Same(std::string_view text) {
    return {text, text};
}

// The version texts of the models stay empty here: start-up puts the program's own version
// string into them, which a built-in text cannot know.
constexpr BuiltInText kFilledAtStart{"", ""};

// Cover open, paper end, cutter jam and another off-line cause each name the cause and its fix, so
// that nobody switches a printer off and on only to close its cover. A language file can still
// give them other words.
constexpr BuiltInText kCoverOpen{
    "The printer's cover is open.\n\nClose the cover, confirm that the ERROR lamp has gone\nout, "
    "and then execute again.",
    "プリンターのカバーが開いています。\n\nカバーを閉じ、ERRORランプが消灯したことを確認して"
    "から、\n再度実行してください。"};
constexpr BuiltInText kPaperEnd{
    "The printer has run out of paper.\n\nLoad a new paper roll, close the cover, and then "
    "execute\nagain.",
    "プリンターの用紙がなくなりました。\n\n新しいロール紙をセットしてカバーを閉じてから、\n"
    "再度実行してください。"};
constexpr BuiltInText kCutterJam{
    "The printer's cutter is jammed.\n\nTurn the printer's power off, open the cover, remove the "
    "jammed\npaper from the cutter, close the cover, turn the power on,\nand then execute again.",
    "プリンターのカッターが詰まっています。\n\nプリンターの電源を切ってカバーを開け、カッター"
    "に詰まった\n用紙を取り除いてください。カバーを閉じて電源を入れてから、\n再度実行してくだ"
    "さい。"};
constexpr BuiltInText kOffline{
    "The printer is off line.\n\nCheck the printer: the cover is closed, paper is loaded and\nthe "
    "ERROR lamp is out. Then execute again.",
    "プリンターがオフラインです。\n\nカバーが閉じていること、用紙がセットされていること、\n"
    "ERRORランプが消灯していることを確認してから、再度実行してください。"};

}  // namespace

const std::vector<MessageText>& MessageTexts() {
    static const std::vector<MessageText> texts = {
        // Start-up, connection and communication.
        {"MSG_U_01",
         {"The TR Thermal Printer Utility is already running.",
          "TR Thermal Printer Utilityはすでに起動しています。"}},
        {"MSG_U_02",
         {"A file necessary for launching the utility is missing.\nPlease reinstall the utility.",
          "ユーティリティの起動に必要なファイルが見つかりません。\nユーティリティを再インストールし"
          "てください。"}},
        {"MSG_U_03",
         {"Verifying connection with the printer...\n\nPlease wait a moment.",
          "プリンターとの接続を確認しています...\n\nしばらくお待ちください。"}},
        {"MSG_U_04",
         {"Since it was not possible to verify the connection with the printer,\nfunctions for "
          "sending settings to the printer and getting information\nfrom the printer cannot be "
          "used.\n\nIf this is OK, click [OK] to continue.",
          "プリンターとの接続を確認できなかったため、\nプリンターへの設定の送信およびプリンターから"
          "の情報の取得は\nできません。\n\nよろしければ「OK」をクリックして続行してください。"}},
        // The printer queue texts name what this system has: queues of the printing system.
        {"MSG_U_05",
         {"The printer queue prints to a file.\n\nPlease give the queue the printer's port in the "
          "system's\nprinter settings.",
          "プリンターキューの出力先がファイルになっています。\n\nシステムのプリンター設定で、キュ"
          "ーの出力先をプリンターのポートに変更してください。"}},
        {"MSG_U_06",
         {"The printer queue is stopped.\n\nPlease open the system's printer settings and resume "
          "the\nqueue you wish to use.",
          "プリンターキューが停止しています。\n\nシステムのプリンター設定を開き、使用するキューを"
          "\n再開してください。"}},
        {"MSG_U_07",
         {"There is still a print job in the printer.\nPlease execute again after all the print "
          "jobs remaining\nin the printer are finished.",
          "プリンターに印刷ジョブが残っています。\nプリンターに残っているすべての印刷ジョブが終了"
          "してから、\n再度実行してください。"}},
        {"MSG_U_08",
         {"Could not verify connection with the printer.\nPlease check the following and execute "
          "again:\n\n･PC and printer are connected as set for the connected port.\n･Printer's "
          "power is on.\n･Printer's error indicator is not on.",
          "プリンターとの接続を確認できませんでした。\n次の点を確認してから、再度実行してください。"
          "\n\n･パソコンとプリンターが接続ポートの設定どおりに接続されている。\n･プリンターの電源が"
          "入っている。\n･プリンターのエラーランプが点灯していない。"}},
        {"MSG_U_09",
         {"An error occurred while communicating with the printer.\n\n",
          "プリンターとの通信中にエラーが発生しました。\n\n"}},
        {"MSG_U_09_1",
         {"Turn the printer's power off and back on again, verify that\nthe error indicator has "
          "turned off, and then execute again.",
          "プリンターの電源を入れ直し、エラーランプが消灯したことを\n確認してから、再度実行して"
          "ください。"}},
        {"MSG_U_10", {"Error code:\t%s", "エラーコード：\t%s"}},
        {"MSG_U_11", kCoverOpen},
        {"MSG_U_11_1", kPaperEnd},
        {"MSG_U_11_2", kCutterJam},
        {"MSG_U_11_3", kOffline},

        // Port settings: the LAN printer list.
        {"MSG_P_01",
         {"Either the IP address has not been inputted,\nor an invalid value has been "
          "inputted.\n\n%s",
          "IPアドレスが入力されていないか、\n無効な値が入力されています。\n\n%s"}},
        {"MSG_P_01_1", {"Please verify the IP address.", "IPアドレスを確認してください。"}},
        {"MSG_P_02",
         {"Searching for connected printers...\n\nPlease wait a moment.",
          "接続されているプリンターを検索しています...\n\nしばらくお待ちください。"}},
        {"MSG_P_03",
         {"No usable printer was found.", "使用できるプリンターが見つかりませんでした。"}},
        {"MSG_P_04",
         {"The following printer will be deleted from the [Printer List].\nOK to "
          "proceed?\n\n･IP Address:\t%s\n･MAC Address:\t%s",
          "次のプリンターを「プリンターリスト」から削除します。\nよろしいですか？\n\n･IPアドレス："
          "\t%s\n･MACアドレス：\t%s"}},
        {"MSG_P_05",
         {"The same IP address is already in use.\n\n%s",
          "同じIPアドレスがすでに使用されています。\n\n%s"}},
        {"MSG_P_06",
         {"The number of IP addresses has exceeded 255.\n\nNo more IP addresses can be "
          "registered.",
          "IPアドレスの登録数が255件を超えました。\n\nこれ以上IPアドレスを登録できません。"}},

        // Printer Setup.
        {"MSG_S_01",
         {"Send the settings on the screen to the printer,\nand update the printer's "
          "setup.\n\n%s",
          "画面上の設定をプリンターに送信し、\nプリンターの設定を更新します。\n\n%s"}},
        {"MSG_S_01_1",
         {"Verify that the printer is connected,\nand then click [OK].",
          "プリンターが接続されていることを確認してから、\n「OK」をクリックしてください。"}},
        {"MSG_S_02",
         {"Writing setting information to the printer...",
          "プリンターに設定情報を書き込んでいます..."}},
        {"MSG_S_03",
         {"Print a list of current printer settings.\n\n%s",
          "プリンターの現在の設定一覧を印刷します。\n\n%s"}},
        {"MSG_S_04",
         {"Printing the setting list...\n\nPlease wait a moment.",
          "設定一覧を印刷しています...\n\nしばらくお待ちください。"}},
        {"MSG_S_05",
         {"An error was found in the information acquired from the printer.\nPlease verify that "
          "the model of the printer you are using matches\nthe [Printer Name] set with the "
          "utility.",
          "プリンターから取得した情報にエラーがありました。\nお使いのプリンターの機種が、ユーティリ"
          "ティで設定した\n「プリンター名」と一致していることを確認してください。"}},
        // The Japanese labels differ in length by one full-width character, so that the tabs
        // line the two values up as they do in English.
        {"MSG_S_05_1",
         {"Location of error:\t%s\nError type:\t\t%s",
          "エラー発生箇所：\t%s\nエラーの種類：\t\t%s"}},
        {"MSG_S_06",
         {"Acquire setting information from the printer,\nand update the settings on the "
          "screen.\n\n%s",
          "プリンターから設定情報を取得し、\n画面上の設定を更新します。\n\n%s"}},
        {"MSG_S_07",
         {"Getting setting information from the printer...",
          "プリンターから設定情報を取得しています..."}},
        {"MSG_S_08",
         {"This will reset the settings on the screen to default (factory) settings.\nOK to "
          "proceed?",
          "画面上の設定を初期値（工場出荷時の設定）に戻します。\nよろしいですか？"}},
        {"MSG_S_09",
         {"The settings have been sent to the printer.",
          "プリンターへの設定の送信が完了しました。"}},

        // Logo Settings.
        {"MSG_L_01",
         {"Getting logo information registered in the printer...\n\nPlease wait a moment.",
          "プリンターに登録されているロゴ情報を取得しています...\n\nしばらくお待ちください。"}},
        {"MSG_L_02",
         {"An image file is loaded.\nSelect a gradation level for registering.",
          "画像ファイルを読み込みます。\n登録する階調を選択してください。"}},
        {"MSG_L_10",
         {"The maximum size possible for registration has been exceeded,\nand the specified "
          "addition or edit operation cannot be performed.",
          "登録可能な最大サイズを超えるため、\n指定された追加または編集は実行できません。"}},
        {"MSG_L_11",
         {"The registration size of the [Logo File List] has exceeded the "
          "maximum\nregistration size for the printer.\n\nVerify the size shown at the bottom of "
          "the screen and adjust the\nregistered files in the [Logo File List] so that the [Logo "
          "file list\nregistration size] fits within the maximum allowed size.",
          "「ロゴファイルリスト」の登録サイズが、プリンターの最大登録サイズを\n超えています。\n\n"
          "画面下部に表示されているサイズを確認し、「ロゴファイルリスト登録サイズ」が\n最大登録サ"
          "イズに収まるように、「ロゴファイルリスト」の登録ファイルを\n調整してください。"}},
        {"MSG_L_12",
         {"The maximum number of registered files (60) has been exceeded, and no more may be "
          "added.",
          "登録ファイル数の上限（60）を超えるため、これ以上追加できません。"}},
        {"MSG_L_13",
         {"The specified file (%s) has an image\nwith a height or width in excess of the maximum "
          "size allowed for\nregistration, and therefore cannot be added.\n\n%s",
          "指定されたファイル（%s）の画像は、\n高さまたは幅が登録可能な最大サイズを超えているため"
          "、\n追加できません。\n\n%s"}},
        {"MSG_L_13_1",
         {"To specify multiple files, click [OK] when continuing with\nthe next file. To avoid "
          "continuing and exit, click [Cancel].",
          "複数のファイルを指定している場合、次のファイルに進むときは\n「OK」を、中止するときは"
          "「キャンセル」をクリックしてください。"}},
        {"MSG_L_14",
         {"The specified file (%s) is not a bitmap\nfile that can be registered, and therefore "
          "cannot be added.\n\n%s",
          "指定されたファイル（%s）は登録できるビットマップ\nファイルではないため、追加できません。"
          "\n\n%s"}},
        {"MSG_L_15",
         {"This will delete the next logo file from the [Logo File List].\nOK to "
          "proceed?\n\n･Logo file name: %s",
          "次のロゴファイルを「ロゴファイルリスト」から削除します。\nよろしいですか？\n\n･ロゴファ"
          "イ"
          "ル名：%s"}},
        {"MSG_L_16",
         {"This will delete all logo files from the [Logo File List].\nOK to proceed?",
          "「ロゴファイルリスト」からすべてのロゴファイルを削除します。\nよろしいですか？"}},
        {"MSG_L_17",
         {"Enter the keycode as a four-digit hexadecimal number\n(use 20 to 7E for the upper two "
          "digits, and 20 to 7E for\nthe lower two digits).",
          "キーコードは16進数4桁で入力してください。\n（上位2桁は20～7E、下位2桁は20～7Eの\n範囲"
          "で指定してください）"}},
        {"MSG_L_18",
         {"The logo file specified in the setting file\n(%s) does not exist.\n\n%s",
          "設定ファイルで指定されたロゴファイル\n（%s）が存在しません。\n\n%s"}},
        {"MSG_L_18_1",
         {"To load the next file, click [OK].\nTo exit without loading, click [Cancel].",
          "次のファイルを読み込むときは「OK」を、\n読み込みを中止するときは「キャンセル」をクリック"
          "してください。"}},
        {"MSG_L_19",
         {"The specified keycode is already in use.\n\nPlease specify another keycode.",
          "指定されたキーコードはすでに使用されています。\n\n別のキーコードを指定してください。"}},
        {"MSG_L_20",
         {"The two colors setting can be specified for logo files with 16 or 256 colors.\n\nThe "
          "selected logo file cannot use this setting because it is not 16 or 256\ncolors.",
          "2色の設定は、16色または256色のロゴファイルに指定できます。\n\n選択したロゴファイルは16"
          "色または256色ではないため、\nこの設定は使用できません。"}},
        {"MSG_L_21",
         {"The selected logo cannot be registered for a 16 level gradation.\nRegister it with a 2 "
          "level gradation.",
          "選択したロゴは16階調で登録できません。\n2階調で登録してください。"}},
        {"MSG_L_22",
         {"The specified setting file (%s) is not a\n[Logo File List] information file.\n\nPlease "
          "verify the file.",
          "指定された設定ファイル（%s）は\n「ロゴファイルリスト」の情報ファイルではありません。\n\n"
          "ファイルを確認してください。"}},
        {"MSG_L_30",
         {"The logo will be registered in the printer.\n\n%s",
          "プリンターにロゴを登録します。\n\n%s"}},
        {"MSG_L_31",
         {"Sending the logo file (%s) to the printer\nand registering the logo...\n\nPlease wait "
          "a moment.\n\n%s",
          "ロゴファイル（%s）をプリンターに送信して\nロゴを登録しています..."
          "\n\nしばらくお待ちくださ"
          "い。\n\n%s"}},
        {"MSG_L_31_1",
         {"Warning: Do not turn off the printer's power until\nthe logo registration is complete.",
          "注意：ロゴの登録が完了するまで、\nプリンターの電源を切らないでください。"}},
        {"MSG_L_32",
         {"The logo file (%s) has been sent.\nNow checking the registered logo data...\n\nPlease "
          "wait a moment.\n\n%s",
          "ロゴファイル（%s）を送信しました。\n登録されたロゴデータを確認しています..."
          "\n\nしばらくお"
          "待ちください。\n\n%s"}},
        {"MSG_L_33",
         {"Registration of the logo to the printer has finished successfully.",
          "プリンターへのロゴの登録が正常に終了しました。"}},
        {"MSG_L_34",
         {"Deleting the printer logo (%04X)...\n\nPlease wait a moment.\n\n%s",
          "プリンターのロゴ（%04X）を削除しています...\n\nしばらくお待ちください。\n\n%s"}},
        {"MSG_L_35",
         {"Deleting all printer logos...\n\nPlease wait a moment.\n\n%s",
          "プリンターのすべてのロゴを削除しています...\n\nしばらくお待ちください。\n\n%s"}},
        {"MSG_L_36",
         {"The logo data has been deleted. Checking deleted logo data...\n\nPlease wait a "
          "moment.\n\n%s",
          "ロゴデータを削除しました。削除したロゴデータを確認しています..."
          "\n\nしばらくお待ちください"
          "。\n\n%s"}},
        {"MSG_L_36_1",
         {"Warning: Do not turn off the printer's power until\nthe logo deletion is complete.",
          "注意：ロゴの削除が完了するまで、\nプリンターの電源を切らないでください。"}},
        {"MSG_L_37",
         {"Printing the printer logo (%04X)...\n\nPlease wait a moment.",
          "プリンターのロゴ（%04X）を印刷しています...\n\nしばらくお待ちください。"}},
        {"MSG_L_38",
         {"Printing all printer logos...\n\nPlease wait a moment.",
          "プリンターのすべてのロゴを印刷しています...\n\nしばらくお待ちください。"}},
        {"MSG_L_40",
         {"The following logo registered to the printer will be deleted:\n\n%s\n\n･Keycode: "
          "%04X",
          "プリンターに登録されている次のロゴを削除します。\n\n%s\n\n･キーコード：%04X"}},
        {"MSG_L_41",
         {"All logos registered to the printer will be deleted.\n\n%s",
          "プリンターに登録されているすべてのロゴを削除します。\n\n%s"}},
        {"MSG_L_42",
         {"The following logo registered to the printer will be printed:\n\n%s\n\n･Keycode: "
          "%04X",
          "プリンターに登録されている次のロゴを印刷します。\n\n%s\n\n･キーコード：%04X"}},
        {"MSG_L_43",
         {"All logos registered to the printer will be printed.\n\n%s",
          "プリンターに登録されているすべてのロゴを印刷します。\n\n%s"}},
        {"MSG_L_44",
         {"Logo information (keycodes) registered to the printer will be\nacquired, and the "
          "[Printer Registration List] will be updated.\n\n%s",
          "プリンターに登録されているロゴ情報（キーコード）を取得し、\n「プリンター登録リスト」を"
          "更新します。\n\n%s"}},
        {"MSG_L_45",
         {"There are more than 255 keycodes.\n\nNo more can be registered.",
          "キーコードが255個を超えています。\n\nこれ以上登録できません。"}},
        {"MSG_L_46",
         {"There is a data that was registered for a 16 level gradation.\nIt is not possible to "
          "register the data with this printer.\n\nRegister it with a 2 level gradation.",
          "16階調で登録するデータがあります。\nこのプリンターには16階調のデータを登録できません。"
          "\n\n2階調で登録してください。"}},

        // Extension 1.
        {"MSG_X_01",
         {"The change value of the screen is sent to the printer,\nand the default value of the "
          "printer is changed.\n\n%s",
          "画面上の変更内容をプリンターに送信し、\nプリンターの初期値を変更します。\n\n%s"}},
        {"MSG_X_02",
         {"Print the code page for checking the current setting.\n\n%s",
          "現在の設定を確認するため、コードページを印刷します。\n\n%s"}},
        {"MSG_X_03",
         {"Send the selected file to the printer.\n\n%s",
          "選択したファイルをプリンターに送信します。\n\n%s"}},

        // Manuals and exit.
        {"MSG_H_01",
         {"Cannot open the manual because the file could not be found.",
          "ファイルが見つからないため、マニュアルを開けません。"}},
        {"MSG_H_02",
         {"No PDF viewer is installed.\n\nInstall a PDF viewer to view manuals.",
          "PDFビューアーがインストールされていません。\n\nマニュアルを表示するには、PDFビューアー"
          "をインストールしてください。"}},
        {"MSG_E_01",
         {"The TR Thermal Printer Utility will now exit.\n\nSave current settings?",
          "TR Thermal Printer Utilityを終了します。\n\n現在の設定を保存しますか？"}},
        // Shown before the system's restart prompt; the English spelling is the product's own.
        {"MSG_0009",
         {"Serial interface settings have been changed.\nThe computer must be restarted to enable "
          "the new settings.\n\nPleas exit other applications and click the [OK] button.\n\n",
          "シリアルインターフェースの設定が変更されました。\n新しい設定を有効にするには、コンピュー"
          "ターを再起動する必要があります。\n\n他のアプリケーションを終了してから、「OK」ボタンを"
          "クリックしてください。\n\n"}},

        // Files, resources and the read error word.
        {"ERR_0002",
         {"The existing settings file is read-only.\n\nEither change the file properties or "
          "select a different file.",
          "既存の設定ファイルは読み取り専用です。\n\nファイルのプロパティを変更するか、別のファイル"
          "を選択してください。"}},
        {"ERR_0003",
         {"Error opening temporary settings file.\n\nThe factory default settings will be used "
          "instead.",
          "一時設定ファイルを開けませんでした。\n\n代わりに工場出荷時の設定を使用します。"}},
        {"ERR_0004",
         {"A settings file with the same name already exists.\n\nDo you want to overwrite the "
          "existing settings?",
          "同じ名前の設定ファイルがすでに存在します。\n\n既存の設定を上書きしますか？"}},
        {"ERR_0005",
         {"Error reading settings file.\n\nThe settings file does not exist.",
          "設定ファイルの読み込みエラーです。\n\n設定ファイルが存在しません。"}},
        {"ERR_0006",
         {"Error reading settings file.\n\nUnable to read settings file.",
          "設定ファイルの読み込みエラーです。\n\n設定ファイルを読み込めません。"}},
        {"ERR_0008",
         {"Printer error!\nPlease check the printer.",
          "プリンターエラーです。\nプリンターを確認してください。"}},
        {"ERR_0010",
         {"Unable to close printer.\nPlease restart the computer.",
          "プリンターを閉じることができません。\nコンピューターを再起動してください。"}},
        {"ERR_0020",
         {"The specified disk or folder is write-protected.\nPlease select a different save "
          "location.",
          "指定されたディスクまたはフォルダーは書き込み禁止になっています。\n別の保存先を選択して"
          "ください。"}},
        {"ERR_0021",
         {"Access to the specified network drive was denied.\nPlease select a different save "
          "location.",
          "指定されたネットワークドライブへのアクセスが拒否されました。\n別の保存先を選択してくだ"
          "さい。"}},
        {"ERR_0022",
         {"Access to the specified disk or folder was denied.\nPlease select a different save "
          "location.",
          "指定されたディスクまたはフォルダーへのアクセスが拒否されました。\n別の保存先を選択して"
          "ください。"}},
        {"ERR_0030",
         {"Reading the sending file failed.\n\nCan not read the sending file.",
          "送信ファイルの読み込みに失敗しました。\n\n送信ファイルを読み込めません。"}},
        {"ERR_9001",
         {"Warning: Insufficient resources. Please exit other applications.",
          "警告：リソースが不足しています。他のアプリケーションを終了してください。"}},
        {"ERR_M_DATA", {"Data error.", "データエラー"}},
        {"ERR_M_FORMAT", {"Data format error.", "データフォーマットエラー"}},
        {"ERR_M_RECEIVE", {"No data received.", "データ未受信"}},

        // File dialogs: titles and filters.
        {"READDATALOGOBMP", {"Open Logo File", "ロゴファイルを開く"}},
        {"FILEMASKLOGOBMP",
         {Filter("Logo File(*.bmp)\0*.bmp"), Filter("ロゴファイル(*.bmp)\0*.bmp")}},
        {"FILEMASKLOGODATA",
         {Filter("Logo File List Setting File(*.qlr)\0*.qlr"),
          Filter("ロゴファイルリスト設定ファイル(*.qlr)\0*.qlr")}},
        {"SAVEDATALOGOFILE",
         {"Save Logo File List Setting File", "ロゴファイルリスト設定ファイルを保存"}},
        {"READDATALOGOFILE",
         {"Open Logo File List Setting File", "ロゴファイルリスト設定ファイルを開く"}},
        {"READDATA", {"Open Setting Definition File", "設定定義ファイルを開く"}},
        {"SAVEDATA", {"Save Setting Definition File", "設定定義ファイルを保存"}},
        {"SENDDATA", {"Open the sending file", "送信ファイルを開く"}},
        {"FILEMASKSENDDATA", {Filter("Sending file(*.*)\0*.*"), Filter("送信ファイル(*.*)\0*.*")}},

        // Setting-file filters, one per model family; the catalogue names the one of each model.
        {"FILEMASK770",
         {Filter("TR-770 Utility Setting File(*.qvr)\0*.qvr"),
          Filter("TR-770 Utility設定ﾌｧｲﾙ(*.qvr)\0*.qvr")}},
        {"FILEMASK770U",
         {Filter("TR-770 (PFBM) Utility Setting File(*.qvu)\0*.qvu"),
          Filter("TR-770 (PFBM) Utility設定ﾌｧｲﾙ(*.qvu)\0*.qvu")}},
        {"FILEMASK770K",
         {Filter("TR-770K Utility Setting File(*.qvk)\0*.qvk"),
          Filter("TR-770K Utility設定ﾌｧｲﾙ(*.qvk)\0*.qvk")}},
        {"FILEMASK1400",
         {Filter("TR-1400 Utility Setting File(*.qka)\0*.qka"),
          Filter("TR-1400 Utility設定ﾌｧｲﾙ(*.qka)\0*.qka")}},
        {"FILEMASK1600",
         {Filter("TR-1600 Utility Setting File(*.qkb)\0*.qkb"),
          Filter("TR-1600 Utility設定ﾌｧｲﾙ(*.qkb)\0*.qkb")}},
        {"FILEMASK1400L",
         {Filter("TR-1400L Utility Setting File(*.qkd)\0*.qkd"),
          Filter("TR-1400L Utility設定ﾌｧｲﾙ(*.qkd)\0*.qkd")}},
        {"FILEMASK1600L",
         {Filter("TR-1600L Utility Setting File(*.qke)\0*.qke"),
          Filter("TR-1600L Utility設定ﾌｧｲﾙ(*.qke)\0*.qke")}},
        {"FILEMASK260",
         {Filter("DQR-260 Utility Setting File(*.qma)\0*.qma"),
          Filter("DQR-260 Utility設定ﾌｧｲﾙ(*.qma)\0*.qma")}},
        {"FILEMASK590",
         {Filter("LS590 Utility Setting File(*.qls)\0*.qls"),
          Filter("LS590 Utility設定ﾌｧｲﾙ(*.qls)\0*.qls")}},
        {"FILEMASK530_531",
         {Filter("LS530-531 Utility Setting File(*.qla)\0*.qla"),
          Filter("LS530-531 Utility設定ﾌｧｲﾙ(*.qla)\0*.qla")}},
        {"FILEMASK540_541",
         {Filter("LS540-541 Utility Setting File(*.qlb)\0*.qlb"),
          Filter("LS540-541 Utility設定ﾌｧｲﾙ(*.qlb)\0*.qlb")}},
        {"FILEMASK380",
         {Filter("HQ380 Utility Setting File(*.qna)\0*.qna"),
          Filter("HQ380 Utility設定ﾌｧｲﾙ(*.qna)\0*.qna")}},
        {"FILEMASK350",
         {Filter("GQR-350 Utility Setting File(*.qpa)\0*.qpa"),
          Filter("GQR-350 Utility設定ﾌｧｲﾙ(*.qpa)\0*.qpa")}},
        {"FILEMASK5600",
         {Filter("TQS5600 Utility Setting File(*.qqa)\0*.qqa"),
          Filter("TQS5600 Utility設定ﾌｧｲﾙ(*.qqa)\0*.qqa")}},
        {"FILEMASK300",
         {Filter("MX-300 Utility Setting File(*.qkc)\0*.qkc"),
          Filter("MX-300 Utility設定ﾌｧｲﾙ(*.qkc)\0*.qkc")}},
        {"FILEMASK310",
         {Filter("MX-310 Utility Setting File(*.qkm)\0*.qkm"),
          Filter("MX-310 Utility設定ﾌｧｲﾙ(*.qkm)\0*.qkm")}},
        {"FILEMASK300S",
         {Filter("MX-300S Utility Setting File(*.qks)\0*.qks"),
          Filter("MX-300S Utility設定ﾌｧｲﾙ(*.qks)\0*.qks")}},
        {"FILEMASK300L",
         {Filter("MX-300L Utility Setting File(*.qkf)\0*.qkf"),
          Filter("MX-300L Utility設定ﾌｧｲﾙ(*.qkf)\0*.qkf")}},
        {"FILEMASK310L",
         {Filter("MX-310L Utility Setting File(*.qkn)\0*.qkn"),
          Filter("MX-310L Utility設定ﾌｧｲﾙ(*.qkn)\0*.qkn")}},
        {"FILEMASK300LS",
         {Filter("MX-300LS Utility Setting File(*.qkt)\0*.qkt"),
          Filter("MX-300LS Utility設定ﾌｧｲﾙ(*.qkt)\0*.qkt")}},
        {"FILEMASK400",
         {Filter("MX-400 Utility Setting File(*.qtc)\0*.qtc"),
          Filter("MX-400 Utility設定ﾌｧｲﾙ(*.qtc)\0*.qtc")}},

        // The caption printed above a logo: the last four characters of the first text give way
        // to the keycode.
        {"LOGO_P_NO", {"Logoxxxx", "ロゴxxxx"}},
        {"LOGO_P_MONO", {"(Monochromatic)", "（単色）"}},
        {"LOGO_P_COLOR", {"(Two Colors)", "（２色）"}},

        // Status texts, start-up and the version box.
        {"INF_DEFAULT", {"(Unset)", "（未設定）"}},
        {"INF_PRINT",
         {"Printing...\n\nPlease wait a moment.", "印刷しています...\n\nしばらくお待ちください。"}},
        {"INF_UNKNOWN_OS",
         {"Could not identify the operating system.\nProcessing will be cancelled.",
          "オペレーティングシステムを識別できませんでした。\n処理を中止します。"}},
        {"INF_PRINTER_READ",
         {"Settings have been loaded from the printer.", "プリンターから設定を読み込みました。"}},
        {"INF_PRINTER_READING",
         {"Loading settings from the printer...", "プリンターから設定を読み込んでいます..."}},
        {"INF_VERSION", Same(" TR Thermal Printer Utility\n")},
        {"INF_VERSION_NO770", kFilledAtStart},
        {"INF_VERSION_NO1400", kFilledAtStart},
        {"INF_VERSION_NO1600", kFilledAtStart},
        {"INF_VERSION_NO1400L", kFilledAtStart},
        {"INF_VERSION_NO1600L", kFilledAtStart},
        {"INF_VERSION_NO260", kFilledAtStart},
        {"INF_VERSION_NO590", kFilledAtStart},
        {"INF_VERSION_NO530_531", kFilledAtStart},
        {"INF_VERSION_NO540_541", kFilledAtStart},
        {"INF_VERSION_NO380", kFilledAtStart},
        {"INF_VERSION_NO350", kFilledAtStart},
        {"INF_VERSION_NO5600", kFilledAtStart},
        {"INF_VERSION_NO300", kFilledAtStart},
        {"INF_VERSION_NO310", kFilledAtStart},
        {"INF_VERSION_NO300S", kFilledAtStart},
        {"INF_VERSION_NO300L", kFilledAtStart},
        {"INF_VERSION_NO310L", kFilledAtStart},
        {"INF_VERSION_NO300LS", kFilledAtStart},
        {"INF_VERSION_NO400", kFilledAtStart},
        {"INF_VERSION_OTH", Same("\nfor VRM TR-770II/TR-770/TR-720/TR-620\n")},
        {"INF_ALL_RIGHT", Same("       All Rights Reserved.")},
        {"MSG_NONE", {"None", "なし"}},
    };
    return texts;
}

}  // namespace vrtruty::lang
