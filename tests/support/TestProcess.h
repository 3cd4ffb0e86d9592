#pragma once

// The framework unloads the window system's libraries at exit, before the
// leak checker runs, and what they hold for the life of the process would
// then look leaked. Kept loaded, it stays reachable.
void keepWindowSystemLibrariesLoaded();
