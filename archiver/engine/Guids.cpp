// The engine's interface identifiers, defined here once for the whole library
// (7-Zip's own front ends do the same in their main file).
#include "Common/MyInitGuid.h"

#include "7zip/Archive/IArchive.h"
#include "7zip/ICoder.h"
#include "7zip/IPassword.h"
#include "7zip/IProgress.h"
#include "7zip/IStream.h"
#include "7zip/UI/Common/IFileExtractCallback.h"
