// Folders the program keeps its files in.
#pragma once

#include <QString>

namespace ferolind {

// The application data folder ("Ferolind 2011 NET" in the user's data location on
// Linux, as the all-users folder is not writable there), ending with a separator.
// FEROLIND_APPDATA overrides it (tests, portable installs). Created when missing.
QString applicationDataFolder();

// Registers the shipped data (postal codes, bank codes) as Qt resources; safe to call often.
void initShippedData();

// The user's personal documents folder.
QString personalDocumentsFolder();

}  // namespace ferolind
