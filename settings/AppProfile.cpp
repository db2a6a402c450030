#include "settings/AppProfile.h"

AppProfile::~AppProfile() = default;
