#include "lang/messages.h"

namespace vrtruty::lang {
namespace {

// The fixed Japanese texts of codes that never had a language-file text.
constexpr std::string_view kInputFileError = "入力ファイルエラー";
constexpr std::string_view kPortCloseError = "ポートクローズエラー";
constexpr std::string_view kDeviceIdError = "デバイスIDエラー";
constexpr std::string_view kStatusOpenError = "ステータオープンスエラー";
constexpr std::string_view kStatusCloseError = "ステータクローズスエラー";
constexpr std::string_view kModelNameError = "モデル名取得エラー";

std::string Joined(const TextTable& t, int first, int second, std::size_t slot) {
    return t.TextIn(first, slot) + t.TextIn(second, slot);
}

std::string CommunicationErrorWithCode(const TextTable& t, std::string_view errorCode,
                                       std::size_t slot) {
    return t.TextIn(MSG_U_09, slot) + FormatText(t.TextIn(MSG_U_10, slot), {errorCode});
}

std::string ReadErrorText(const TextTable& t, int code, std::size_t slot) {
    int type = 0;
    if ((code & kReadErrorData) != 0) {
        type = ERR_M_DATA;
    } else if ((code & kReadErrorFormat) != 0) {
        type = ERR_M_FORMAT;
    } else if ((code & kReadErrorNoReply) != 0) {
        type = ERR_M_RECEIVE;
    } else {
        return CommunicationErrorWithCode(t, "004", slot);
    }
    const std::string& location = t.Get({TextRef::Kind::PageName, 0, ReadErrorPage(code)}, slot);
    return FormatText("%s\n\n%s",
                      {t.TextIn(MSG_S_05, slot),
                       FormatText(t.TextIn(MSG_S_05_1, slot), {location, t.TextIn(type, slot)})});
}

}  // namespace

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                if (next != args.end()) {
                    out += *next++;
                }
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string ComposeVersionText(const TextTable& texts, int versionTextNumber,
                               std::string_view legalNotice) {
    return FormatText("%s%s\n\n%s\n%s", {texts.Text(INF_VERSION), texts.Text(versionTextNumber),
                                         legalNotice, texts.Text(INF_ALL_RIGHT)});
}

int ReadErrorPage(int code) {
    switch (code & kReadErrorLocationMask) {
        case 0x4000000:
            return 0;
        case 0x2000000:
            return 1;
        case 0x1000000:
            return 2;
        case 0x800000:
            return 3;
        case 0x400000:
            return 4;
        case 0x200000:
            return 5;
        case 0x100000:
            return 6;
        case 0x80000:
            return 7;
        default:
            return 8;
    }
}

std::string ComposeMessage(const TextTable& t, int code, std::string_view callerText,
                           std::size_t slot) {
    if (code == 0) {
        return std::string(callerText);
    }
    if (code > 0) {
        return ReadErrorText(t, code, slot);
    }
    const auto text = [&](int number) { return t.TextIn(number, slot); };
    switch (code) {
        case -1:
            return text(MSG_U_01);
        case -2:
            return text(MSG_H_01);
        case -3:
            return FormatText(text(MSG_P_01), {text(MSG_P_01_1)});
        case -4:
            return std::string(kInputFileError);
        case -5:
        case -10:
            return text(MSG_U_08);
        case -6:
        case -7:
        case -9:
        case -12:
        case -25:
        case -26:
            return Joined(t, MSG_U_09, MSG_U_09_1, slot);
        case -8:
            return text(MSG_U_06);
        case -11:
            return std::string(kPortCloseError);
        case -13:
        case -52:
            return text(ERR_9001);
        case -14:
            return text(MSG_U_05);
        case -15:
            return std::string(kDeviceIdError);
        case -16:
            return std::string(kStatusOpenError);
        case -17:
            return std::string(kStatusCloseError);
        case -18:
            return std::string(kModelNameError);
        case -19:
            return text(MSG_P_03);
        case -20:
            return FormatText(text(MSG_P_05), {text(MSG_P_01_1)});
        case -21:
            return text(ERR_0008);
        case -22:
            return text(ERR_0010);
        case -23:
            return text(MSG_U_07);
        case -24:
            return text(MSG_L_45);
        case -27:
            return text(MSG_P_06);
        case -28:
            return text(MSG_H_02);
        case -29:
            return CommunicationErrorWithCode(t, "001", slot);
        case -30:
            return CommunicationErrorWithCode(t, "002", slot);
        case -31:
            return CommunicationErrorWithCode(t, "003", slot);
        case -32:
            return text(MSG_U_11);
        case -33:
            return text(MSG_U_11_1);
        case -34:
            return text(MSG_U_11_2);
        case -35:
            return text(MSG_U_11_3);
        case -38:
            return text(ERR_0030);
        case -50:
            return FormatText(text(MSG_L_18), {callerText, text(MSG_L_18_1)});
        case -51:
            return FormatText(text(MSG_L_14), {callerText, text(MSG_L_13_1)});
        case -53:
            return FormatText(text(MSG_L_13), {callerText, text(MSG_L_13_1)});
        case -54:
            return text(MSG_L_46);
        case -60:
            return text(ERR_0022);
        case -61:
            return text(ERR_0020);
        case -63:
            return text(ERR_0021);
        default:
            return std::string(kUnlistedErrorText);
    }
}

}  // namespace vrtruty::lang
