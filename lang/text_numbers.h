// Names of the numbered long texts. Texts 0 to 48 are the dialogs' labels (0 is the utility's
// title); 49 to 199 are the messages of the language file's [MSG Data] section, numbered in the
// order of their keys, which this list fixes.
#pragma once

#include <array>
#include <string_view>

namespace vrtruty::lang {

// clang-format off
#define VRTRUTY_MESSAGE_KEYS(X) \
    X(MSG_U_01) X(MSG_U_02) X(MSG_U_03) X(MSG_U_04) X(MSG_U_05) X(MSG_U_06) X(MSG_U_07) \
    X(MSG_U_08) X(MSG_U_09) X(MSG_U_09_1) X(MSG_U_10) X(MSG_U_11) X(MSG_U_11_1) X(MSG_U_11_2) \
    X(MSG_U_11_3) X(MSG_P_01) X(MSG_P_01_1) X(MSG_P_02) X(MSG_P_03) X(MSG_P_04) X(MSG_P_05) \
    X(MSG_P_06) X(MSG_S_01) X(MSG_S_01_1) X(MSG_S_02) X(MSG_S_03) X(MSG_S_04) X(MSG_S_05) \
    X(MSG_S_05_1) X(MSG_S_06) X(MSG_S_07) X(MSG_S_08) X(MSG_S_09) X(MSG_L_01) X(MSG_L_02) \
    X(MSG_L_10) X(MSG_L_11) X(MSG_L_12) X(MSG_L_13) X(MSG_L_13_1) X(MSG_L_14) X(MSG_L_15) \
    X(MSG_L_16) X(MSG_L_17) X(MSG_L_18) X(MSG_L_18_1) X(MSG_L_19) X(MSG_L_20) X(MSG_L_21) \
    X(MSG_L_22) X(MSG_L_30) X(MSG_L_31) X(MSG_L_31_1) X(MSG_L_32) X(MSG_L_33) X(MSG_L_34) \
    X(MSG_L_35) X(MSG_L_36) X(MSG_L_36_1) X(MSG_L_37) X(MSG_L_38) X(MSG_L_40) X(MSG_L_41) \
    X(MSG_L_42) X(MSG_L_43) X(MSG_L_44) X(MSG_L_45) X(MSG_L_46) X(MSG_X_01) X(MSG_X_02) \
    X(MSG_X_03) X(MSG_H_01) X(MSG_H_02) X(MSG_E_01) X(MSG_0009) X(ERR_0002) X(ERR_0003) \
    X(ERR_0004) X(ERR_0005) X(ERR_0006) X(ERR_0008) X(ERR_0010) X(ERR_0020) X(ERR_0021) \
    X(ERR_0022) X(ERR_0030) X(ERR_9001) X(ERR_M_DATA) X(ERR_M_FORMAT) X(ERR_M_RECEIVE) \
    X(READDATALOGOBMP) X(FILEMASKLOGOBMP) X(FILEMASKLOGODATA) X(SAVEDATALOGOFILE) \
    X(READDATALOGOFILE) X(READDATA) X(SAVEDATA) X(SENDDATA) X(FILEMASKSENDDATA) \
    X(FILEMASK770) X(FILEMASK770U) X(FILEMASK770K) X(FILEMASK1400) X(FILEMASK1600) \
    X(FILEMASK1400L) X(FILEMASK1600L) X(FILEMASK260) X(FILEMASK590) X(FILEMASK530_531) \
    X(FILEMASK540_541) X(FILEMASK380) X(FILEMASK350) X(FILEMASK5600) X(FILEMASK300) \
    X(FILEMASK310) X(FILEMASK300S) X(FILEMASK300L) X(FILEMASK310L) X(FILEMASK300LS) \
    X(FILEMASK400) X(LOGO_P_NO) X(LOGO_P_MONO) X(LOGO_P_COLOR) X(INF_DEFAULT) X(INF_PRINT) \
    X(INF_UNKNOWN_OS) X(INF_PRINTER_READ) X(INF_PRINTER_READING) X(INF_VERSION) \
    X(INF_VERSION_NO770) X(INF_VERSION_NO1400) X(INF_VERSION_NO1600) X(INF_VERSION_NO1400L) \
    X(INF_VERSION_NO1600L) X(INF_VERSION_NO260) X(INF_VERSION_NO590) X(INF_VERSION_NO530_531) \
    X(INF_VERSION_NO540_541) X(INF_VERSION_NO380) X(INF_VERSION_NO350) X(INF_VERSION_NO5600) \
    X(INF_VERSION_NO300) X(INF_VERSION_NO310) X(INF_VERSION_NO300S) X(INF_VERSION_NO300L) \
    X(INF_VERSION_NO310L) X(INF_VERSION_NO300LS) X(INF_VERSION_NO400) X(INF_VERSION_OTH) \
    X(INF_ALL_RIGHT) X(MSG_NONE)
// clang-format on

inline constexpr int kFirstMessageText = 49;

#define VRTRUTY_ENUM_ENTRY(key) key,
enum TextNumber : int {
    TXT_TITLE = 0,  // the utility's title, also every message box's caption
    // Long text 40 holds the Extension 1 lists' first entry ("Not Change"), which the language
    // file keeps under the key ITEM; 39 is unused.
    TXT_NOT_CHANGE = 40,
    TXT_MESSAGES_BEGIN = kFirstMessageText - 1,
    VRTRUTY_MESSAGE_KEYS(VRTRUTY_ENUM_ENTRY)  // MSG_U_01 = 49 ... MSG_NONE = 199
    TXT_LONG_END
};
#undef VRTRUTY_ENUM_ENTRY

inline constexpr int kLongTextCount = TXT_LONG_END;
inline constexpr int kMessageCount = kLongTextCount - kFirstMessageText;
inline constexpr int kVersionTextCount = INF_VERSION_OTH - INF_VERSION_NO770;

#define VRTRUTY_KEY_NAME(key) #key,
inline constexpr std::array<std::string_view, kMessageCount> kMessageKeys = {
    VRTRUTY_MESSAGE_KEYS(VRTRUTY_KEY_NAME)};
#undef VRTRUTY_KEY_NAME

static_assert(MSG_U_01 == 49 && ERR_0002 == 124 && FILEMASK770 == 148 && INF_UNKNOWN_OS == 174 &&
              INF_VERSION_NO770 == 178 && MSG_NONE == 199);
static_assert(kVersionTextCount == 19);

}  // namespace vrtruty::lang
