#include "app/MenuCommandTable.h"

#include <map>

namespace zel::app {

namespace {

const std::string kNode = "CAN Node Configuration";
const std::string kBus = "CAN Bus Commands";
const std::string kCanComm = "CAN Communication";

std::vector<MenuCommand> Build() {
  const std::vector<std::string> file{"File"}, comm{"Communication"}, status{"Status"},
      data{"Data"}, param{"Parameter"}, service{"Service"}, can{"CAN Commands"},
      node{"CAN Commands", kNode}, rtr{"CAN Commands", kNode, "Set RTR Configuration"},
      bus{"CAN Commands", kBus}, canStatus{"CAN Commands", kCanComm, "Status"},
      motion{"CAN Commands", kCanComm, "Motion"}, canParam{"CAN Commands", kCanComm, "Parameter"},
      canService{"CAN Commands", kCanComm, "Service"}, wizards{"Wizards"}, view{"View"},
      help{"Help"};
  return {
      {file, 32892, "&Firmware File Registration"},
      {file, 32893, "Firmware File &Summary"},
      {file, 32895, "Firmware File &Default Values"},
      {file, 32896, "Firmware File '&ReadMe'"},
      {file, 57665, "E&xit"},
      {comm, 32771, "&Serial Port Settings"},
      {comm, 32843, "Search &Communication"},
      {comm, 32836, "St&art Polling Monitor"},
      {comm, 32837, "Sto&p Polling Monitor"},
      {comm, 32851, "&Offline Commanding"},
      {comm, 32838, "&Refresh Rate"},
      {status, 32782, "Read System &Status"},
      {status, 32785, "En&able System "},
      {status, 32789, "Read &Error"},
      {status, 32784, "&Clear Error"},
      {status, 32850, "&Reset Software"},
      {data, 32777, "Read &Velocity"},
      {data, 32778, "Read &Current"},
      {data, 32781, "Read &N Variables"},
      {data, 32780, "Record &Data"},
      {param, 32774, "Edit &All  Temp Systemparameter"},
      {param, 32775, "Edit &Temp Systemparameter"},
      {param, 32849, "&Parameter Properties"},
      {param, 32791, "&Save Temp Systemparameter"},
      {param, 32790, "&Reset Temp Systemparameter"},
      {param, 32792, "Read &Version"},
      {service, 32786, "&Enter Service Mode"},
      {service, 32788, "&Quit Service Mode"},
      {service, 32787, "Edit &Address Variable"},
      {node, 32872, "Set &Module ID"},
      {node, 32873, "Read Module &ID"},
      {node, 32874, "Set &Service ID"},
      {node, 32879, "Set CAN &OpMode"},
      {node, 32875, "Set &Transmit PDO ID"},
      {node, 32876, "Set &Receive PDO ID"},
      {node, 32877, "Set CAN BCR&1"},
      {node, 32878, "Set CAN BCR&2"},
      {rtr, 32904, "Set RTR ID"},
      {rtr, 32911, "Config RTR"},
      {rtr, 32909, "Add RTR Parameter"},
      {rtr, 32910, "Get RTR Parameter"},
      {bus, 32880, "Send N&MT"},
      {bus, 32881, "Send &RTR"},
      {bus, 32882, "&Send CAN Message"},
      {bus, 32883, "&Get Remote Data"},
      {bus, 32884, "Read &CAN Error"},
      {bus, 32906, "Reset C&AN Error"},
      {bus, 32907, "Reset CA&N"},
      {canStatus, 32856, "Read&SysStatus"},
      {canStatus, 32859, "&Enable System"},
      {canStatus, 32857, "&Read Error"},
      {canStatus, 32858, "&Clear Error"},
      {canStatus, 32860, "Rese&t Software"},
      {motion, 32865, "Set&Current"},
      {motion, 32866, "Set&Velocity"},
      {motion, 32867, "ReadVelocity&IsMust"},
      {motion, 32887, "ReadCurrentIs&Must"},
      {canParam, 32886, "Edit &All Temp Systemparameter"},
      {canParam, 32868, "Edit &Temp Systemparameter"},
      {canParam, 32869, "&Reset Temp Systemparameter"},
      {canParam, 32870, "&Save Temp Systemparameter"},
      {canParam, 32871, "Read &Version"},
      {canService, 32861, "&Enter ServiceMode"},
      {canService, 32863, "&Quit ServiceMode"},
      {canService, 32864, "Edit &Address Variable"},
      {can, 32903, "CAN &Network"},
      {wizards, 32842, "&Autostart"},
      {wizards, 32841, "&Startup Wizard"},
      {wizards, 32913, "&CAN Wizard"},
      {wizards, 32885, "&Firmware Download Wizard"},
      {wizards, 32920, "Firmware &Download "},
      {wizards, 32900, "&Parameter Up/Download Wizard"},
      {view, 59392, "&Toolbar"},
      {view, 59393, "&Status Bar"},
      {help, 32894, "Firmware &Summary"},
      {help, 32897, "Firmware &Default Values"},
      {help, 32898, "Firmware '&ReadMe'"},
      {help, 57664, "&About ZEL_UserInterface..."},
  };
}

}  // namespace

const std::vector<MenuCommand>& MenuCommandTable::Commands() {
  static const std::vector<MenuCommand> commands = Build();
  return commands;
}

const MenuCommand* MenuCommandTable::Find(int id) {
  for (const MenuCommand& c : Commands())
    if (c.id == id) return &c;
  return nullptr;
}

std::string MenuCommandTable::MenuTitle(const std::string& menu) {
  // The menus are named without a mnemonic, which leaves the menu bar out of reach of the
  // keyboard; the letters avoid those of the items beside each submenu.
  static const std::map<std::string, std::string> titles{
      {"File", "&File"},
      {"Communication", "&Communication"},
      {"Status", "&Status"},
      {"Data", "&Data"},
      {"Parameter", "&Parameter"},
      {"Service", "S&ervice"},
      {"CAN Commands", "C&AN Commands"},
      {"Wizards", "&Wizards"},
      {"View", "&View"},
      {"Help", "&Help"},
      {kNode, "CAN N&ode Configuration"},
      {"Set RTR Configuration", "Set RTR &Configuration"},
      {kBus, "CAN &Bus Commands"},
      {kCanComm, "CAN Co&mmunication"},
      {"Motion", "&Motion"},
  };
  auto found = titles.find(menu);
  return found == titles.end() ? menu : found->second;
}

std::string MenuCommandTable::Shortcut(int id) {
  switch (id) {
    case 57665:  // "E&xit"
      return "Ctrl+Q";
    case 32836:  // "St&art Polling Monitor"
      return "F5";
    case 32837:  // "Sto&p Polling Monitor"
      return "Shift+F5";
    case 32792:  // "Read &Version"
      return "Ctrl+I";
    case 32789:  // "Read &Error"; Ctrl+E alone moves to the end of a line in an edit field
      return "Ctrl+Shift+E";
    default:
      return {};
  }
}

std::vector<std::string> MenuCommandTable::TopMenus() {
  std::vector<std::string> menus;
  for (const MenuCommand& c : Commands())
    if (menus.empty() || menus.back() != c.menuPath.front()) menus.push_back(c.menuPath.front());
  return menus;
}

}  // namespace zel::app
