// The commands around the images rather than on them: printing, sending by mail, the
// desktop's accessories, web pages, help pages, the monitors, the calendar and "Acerca de".
#pragma once

class CCommandRegistry;
class CWorkbench;

void InstallPeripheryCommands(CCommandRegistry& registry, CWorkbench& bench);
