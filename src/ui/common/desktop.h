// Hands an address to the desktop (the mail program for "mailto:", the browser for a web
// address), through one seam that tests replace.
#pragma once

#include <QUrl>
#include <functional>

namespace ferolind::ui {

// Replaces QDesktopServices::openUrl (tests); an empty opener restores it.
using UrlOpener = std::function<bool(const QUrl& url)>;
void setUrlOpener(UrlOpener opener);

// False when the desktop has no program for the address.
bool openExternally(const QUrl& url);

// The "mailto:" address of an e-mail address; characters that would add headers or
// recipients ("?", "&", "#") stay part of the address.
QUrl mailtoUrl(const QString& address);

}  // namespace ferolind::ui
