#include "app/TavikControlApp.h"

START_JUCE_APPLICATION (TavikControlApp)
