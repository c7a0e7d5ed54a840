// Start-up of the framework: the modules it stands on, once.
#pragma once

void InitFramework();
