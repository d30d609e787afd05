// File system paths as text without losing a byte. On Linux a file name is any bytes, and Qt
// turns the bytes that are not UTF-8 into U+FFFD, so a folder such as "J\xe4ger" (Latin-1)
// would come back as another name. Here such a byte is kept in the text as the unpaired
// surrogate U+DC00 + byte (U+DC80..U+DCFF), which valid UTF-8 never produces, so the text
// turns back into exactly the bytes it came from.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>

namespace tolvane::script {

// The text of native path bytes: UTF-8 decoded, every other byte kept as U+DC00 + byte.
QString textFromNative(const std::string& bytes);
QString textFromPath(const std::filesystem::path& path);

// The native bytes of such a text. Characters become UTF-8; U+DC80..U+DCFF become their
// bytes; any other unpaired surrogate (not a character, so never part of a real name)
// becomes U+FFFD.
std::string nativeFromText(const QString& text);
std::filesystem::path pathFromText(const QString& text);

// The path a file dialog returned. Qt's dialogs show a byte that is not UTF-8 as U+FFFD and
// return it so; such a name is looked up in its folder and the one entry that reads the same
// gives back its bytes. A name no entry or several entries match stays as it reads.
std::filesystem::path pathFromDialogText(const QString& text);

// The program's arguments as such texts, the program's name first.
QStringList argumentTexts(int argc, char** argv);

// The text to show the user: the kept bytes shown as U+FFFD.
QString displayPath(const QString& text);

// Whether a typed text holds an unpaired surrogate, which is no character and cannot be part
// of a file name.
bool hasUnpairedSurrogate(const QString& text);

}  // namespace tolvane::script
