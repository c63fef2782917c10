// The running applications as the workspace lists them: what the Dock shows, with the names and
// bundle identifiers the providers match on.

#include "platform/RunningApplications.h"

#import <AppKit/AppKit.h>

namespace quorvel::RunningApplications {

std::vector<RunningApplication> current()
{
    std::vector<RunningApplication> applications;
    @autoreleasepool {
        for (NSRunningApplication* app in NSWorkspace.sharedWorkspace.runningApplications) {
            if (app.terminated)
                continue;
            RunningApplication application;
            if (NSString* name = app.localizedName)
                application.localizedName = QString::fromNSString(name);
            if (NSString* identifier = app.bundleIdentifier)
                application.bundleIdentifier = QString::fromNSString(identifier);
            application.isRegular = app.activationPolicy == NSApplicationActivationPolicyRegular;
            application.processId = app.processIdentifier;
            // The program file inside the bundle, where it is named otherwise than the
            // application (matched by providers that know DAWs by their program names).
            if (NSString* program = app.executableURL.lastPathComponent) {
                const QString name = QString::fromNSString(program);
                if (name != application.localizedName)
                    application.executableName = name;
            }
            applications.push_back(std::move(application));
        }
    }
    return applications;
}

} // namespace quorvel::RunningApplications
