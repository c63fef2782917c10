#include "platform/FileReveal.h"

#import <AppKit/AppKit.h>

namespace quorvel::FileReveal {

bool revealFolder(const QString& path)
{
    // Activates Finder with a window that selects the folder (AppKit/NSWorkspace.h,
    // activateFileViewerSelectingURLs:). It returns nothing to check.
    NSURL* url = [NSURL fileURLWithPath:path.toNSString() isDirectory:YES];
    [[NSWorkspace sharedWorkspace] activateFileViewerSelectingURLs:@[ url ]];
    return true;
}

} // namespace quorvel::FileReveal
