#pragma once

#include "common/text/gbktext.h"

// The modal dialogs a handler puts in front of the operator. Handlers get them through this
// interface so that tests can answer them with a scripted implementation.
namespace common {

// Windows-style message box flags: the low nibble chooses the buttons, 0xF0 the icon,
// 0xF00 the default button (first by default).
namespace MessageBoxFlags {
inline constexpr int Ok = 0x0;
inline constexpr int OkCancel = 0x1;
inline constexpr int AbortRetryIgnore = 0x2;
inline constexpr int YesNoCancel = 0x3;
inline constexpr int YesNo = 0x4;
inline constexpr int RetryCancel = 0x5;
inline constexpr int IconCritical = 0x10;
inline constexpr int IconQuestion = 0x20;
inline constexpr int IconWarning = 0x30;
inline constexpr int IconInformation = 0x40;
inline constexpr int DefaultButton2 = 0x100;
inline constexpr int DefaultButton3 = 0x200;
} // namespace MessageBoxFlags

// The button a message box was answered with.
enum MessageBoxResult : int
{
    ResultOk = 0,
    ResultCancel = 1,
    ResultAbort = 2,
    ResultRetry = 3,
    ResultIgnore = 4,
    ResultYes = 5,
    ResultNo = 6,
};

enum class FileDialogType : int
{
    Open = 0,
    Save = 1,
};

// The file dialog control: what to show going in, the chosen file coming out.
struct FileDialogRequest
{
    FileDialogType dialog_type = FileDialogType::Open;
    GbkText title;
    // Windows-style: "description|pattern;pattern|description|pattern..."
    GbkText filter;
    bool file_must_exist = true;
    // The starting name going in; the chosen full name after a confirmed dialog.
    GbkText file_name;
};

class OperatorDialogs
{
public:
    virtual ~OperatorDialogs() = default;

    // Shows text with the buttons and icon of flags; gives the MessageBoxResult pressed.
    virtual int message_box(const GbkText& text, int flags, const GbkText& title = "信息：") = 0;
    // OK gives true and stores the typed text in variable; Cancel or closing gives false and
    // leaves variable unchanged.
    virtual bool input_box(const GbkText& prompt, const GbkText& title, const GbkText& initial, GbkText& variable) = 0;
    // True when the operator confirmed a file; request.file_name then holds it.
    virtual bool common_dialog_show(FileDialogRequest& request) = 0;
};

} // namespace common
