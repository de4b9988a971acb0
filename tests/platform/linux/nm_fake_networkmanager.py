'''A fake NetworkManager with VPN activation, for the dialer's tests.

A python-dbusmock template: the stock NetworkManager template plus what a PPTP dial uses
(AddConnection2, Update2, the agent manager, ActivateConnection of a VPN profile with
NetworkManager's signal order, DeactivateConnection). An activation asks the registered
secret agent for the password, the way NetworkManager does, then walks through the VPN
states of the chosen scenario. Parameters (JSON, -p): "scenario" and "password", see
SetScenario.
'''

import dbus
import dbusmock
from gi.repository import GLib
from dbusmock import MOCK_IFACE
from dbusmock.templates.networkmanager import *  # noqa: F401,F403 - keep the stock mock methods
from dbusmock.templates import networkmanager as nm

BUS_NAME, MAIN_OBJ, SYSTEM_BUS, IS_OBJECT_MANAGER = nm.BUS_NAME, nm.MAIN_OBJ, True, True
VPN = 'org.freedesktop.NetworkManager.VPN.Connection'
AGENT_MANAGER_OBJ = '/org/freedesktop/NetworkManager/AgentManager'
AGENT_MANAGER_IFACE = 'org.freedesktop.NetworkManager.AgentManager'
AGENT_OBJ = '/org/freedesktop/NetworkManager/SecretAgent'
AGENT_IFACE = 'org.freedesktop.NetworkManager.SecretAgent'
AC_STATE = {1: 1, 2: 1, 3: 1, 4: 1, 5: 2, 6: 4, 7: 4}  # VPN state -> active connection state
# NetworkManager 1.42 asks agents with this flag (USER_REQUESTED) when a user activates.
GET_SECRETS_FLAGS = 4
ROOT = "objects['%s']" % MAIN_OBJ
STEP_MS = 20

# (vpn state, reason) after the password arrived, by scenario. The sequences marked "real"
# are what NetworkManager 1.42 with the PPTP plugin 1.2.12 sent with the real pppd and pptpd
# (in a guest): no pppd exit status ever reaches it, every failure after CONNECT is the
# plugin's CONNECT_FAILED, then reason 0. What the dialer makes of each order of signals is
# tested without a bus (tests/platform/linux/NmLinkTest.cpp).
SCENARIOS = {
    'success': [(3, 1), (4, 1), (5, 1)],          # real (Active 2 comes before VPN 5)
    'login-failed': [(3, 1), (6, 10)],            # NetworkManager's own login-failed reason
    'password-refused': [(3, 1), (6, 0)],         # real: the server refused the password
    'silent': [(3, 1)],
}

state = {'scenario': 'success', 'password': '', 'agents': [], 'secrets': [], 'activations': 0}


def load(mock, parameters):
    nm.load(mock, parameters)
    state['scenario'] = str(parameters.get('scenario', 'success'))
    state['password'] = str(parameters.get('password', ''))
    dbusmock.get_object(nm.MANAGER_OBJ).AddMethods(nm.MANAGER_IFACE, [
        ('ActivateConnection', 'ooo', 'o', 'ret = %s.ActivateVpn(args[0])' % ROOT),
        ('DeactivateConnection', 'o', '', '%s.DeactivateVpn(args[0])' % ROOT)])
    dbusmock.get_object(nm.SETTINGS_OBJ).AddMethods(nm.SETTINGS_IFACE, [
        ('AddConnection2', 'a{sa{sv}}ua{sv}', 'oa{sv}', 'ret = (%s.AddVpnProfile(args[0]), {})' % ROOT)])
    mock.AddObject(AGENT_MANAGER_OBJ, AGENT_MANAGER_IFACE, {}, [])
    # The agent manager must know who registers, which dbusmock's generated methods cannot
    # tell: these two are plain dbus-python methods with the sender passed in.
    manager = dbusmock.get_object(AGENT_MANAGER_OBJ)
    manager.methods.setdefault(AGENT_MANAGER_IFACE, {})
    manager.methods[AGENT_MANAGER_IFACE]['RegisterWithCapabilities'] = ('su', '', '', register_agent)
    manager.methods[AGENT_MANAGER_IFACE]['Unregister'] = ('', '', '', unregister_agent)


@dbus.service.method(AGENT_MANAGER_IFACE, in_signature='su', out_signature='', sender_keyword='sender')
def register_agent(self, identifier, capabilities, sender=None):
    state['agents'] = [a for a in state['agents'] if a != sender] + [sender]


@dbus.service.method(AGENT_MANAGER_IFACE, in_signature='', out_signature='', sender_keyword='sender')
def unregister_agent(self, sender=None):
    state['agents'] = [a for a in state['agents'] if a != sender]


def active_paths():
    return list(dbusmock.get_object(nm.MANAGER_OBJ).Get(nm.MANAGER_IFACE, 'ActiveConnections'))


@dbus.service.method(MOCK_IFACE, in_signature='a{sa{sv}}', out_signature='o')
def AddVpnProfile(self, settings):
    path = self.SettingsAddConnection(settings)
    dbusmock.get_object(path).AddMethod(nm.CSETTINGS_IFACE, 'Update2', 'a{sa{sv}}ua{sv}', 'a{sv}',
                                        'self.ConnectionUpdate(self, args[0]); ret = {}')
    return path


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='o')
def ActivateVpn(self, conn):
    scenario = state['scenario']
    if scenario == 'plugin-missing':
        raise dbus.exceptions.DBusException(
            "The VPN service 'org.freedesktop.NetworkManager.pptp' was not installed.",
            name='org.freedesktop.NetworkManager.ConnectionNotAvailable')
    if scenario == 'no-network':
        # seen: with nothing activated beneath the VPN, before any plugin check
        raise dbus.exceptions.DBusException('Could not find source connection.',
                                            name='org.freedesktop.NetworkManager.UnknownConnection')
    # NetworkManager numbers active connections on and never reuses a path.
    state['activations'] += 1
    ac = nm.AddActiveConnection(self, [], conn, '/', str(state['activations']), dbus.UInt32(1))
    dbusmock.get_object(ac).AddProperties(VPN, {'VpnState': dbus.UInt32(1), 'Banner': ''})
    # seen: no IPv4 configuration until the plugin hands pppd's over
    dbusmock.get_object(ac).AddProperties(nm.ACTIVE_CONNECTION_IFACE, {'Ip4Config': dbus.ObjectPath('/')})
    # seen: ACTIVATING is signalled before the reply to ActivateConnection.
    dbusmock.get_object(ac).EmitSignal(nm.ACTIVE_CONNECTION_IFACE, 'StateChanged', 'uu', [dbus.UInt32(1), dbus.UInt32(1)])
    if scenario != 'manual':
        # After the reply, as NetworkManager does: the states follow the activation.
        GLib.timeout_add(STEP_MS, ask_for_password, self, ac, conn)
    return ac


def ask_for_password(self, ac, conn):
    if ac not in active_paths():
        return False
    self.SetVpnState(ac, 2, 1)
    if not state['agents']:
        self.SetVpnState(ac, 6, 9)
        return False
    settings = dbusmock.get_object(conn).GetSettings()
    agent = self.connection.get_object(state['agents'][-1], AGENT_OBJ, introspect=False)
    agent.GetSecrets(settings, dbus.ObjectPath(conn), 'vpn', dbus.Array([], signature='s'),
                     dbus.UInt32(GET_SECRETS_FLAGS),
                     dbus_interface=AGENT_IFACE,
                     reply_handler=lambda secrets: got_password(self, ac, secrets),
                     error_handler=lambda error: run_states(self, ac, [(6, 9)]))
    return False


def got_password(self, ac, secrets):
    password = str(secrets['vpn']['secrets']['password'])
    state['secrets'].append(password)
    steps = SCENARIOS.get(state['scenario'], [])
    if state['scenario'] == 'success' and state['password'] and password != state['password']:
        steps = SCENARIOS['password-refused']
    run_states(self, ac, steps)


def run_states(self, ac, steps):
    if not steps or ac not in active_paths():
        return False
    self.SetVpnState(ac, *steps[0])
    if len(steps) > 1:
        GLib.timeout_add(STEP_MS, run_states, self, ac, steps[1:])
    return False


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='')
def DeactivateVpn(self, ac):
    if ac not in active_paths():
        raise dbus.exceptions.DBusException('The connection was not active.',
                                            name='org.freedesktop.NetworkManager.ConnectionNotActive')
    take_down(self, ac, 2)


def take_down(self, ac, reason):
    '''seen: DEACTIVATING first; a VPN that was still connecting then reports VPN state 5
    (ACTIVATED!) with the same reason before DEACTIVATED and VPN state 7.'''
    obj = dbusmock.get_object(ac)
    was_up = obj.Get(nm.ACTIVE_CONNECTION_IFACE, 'State') == 2
    obj.Set(nm.ACTIVE_CONNECTION_IFACE, 'State', dbus.UInt32(3))
    obj.EmitSignal(nm.ACTIVE_CONNECTION_IFACE, 'StateChanged', 'uu', [dbus.UInt32(3), dbus.UInt32(reason)])
    if not was_up:
        obj.Set(VPN, 'VpnState', dbus.UInt32(5))
        obj.EmitSignal(VPN, 'VpnStateChanged', 'uu', [dbus.UInt32(5), dbus.UInt32(reason)])
    self.SetVpnState(ac, 7, reason)


def add_ip4_config(self, ac_obj):
    '''The tunnel's address, in place before VPN state 5 is signalled: 10.99.0.<10 + n>
    for the n-th activation.'''
    path = '/org/freedesktop/NetworkManager/IP4Config/%d' % state['activations']
    if path not in dbusmock.get_objects():
        address = dbus.Dictionary({'address': '10.99.0.%d' % (10 + state['activations']),
                                   'prefix': dbus.UInt32(32)}, signature='sv')
        self.AddObject(path, 'org.freedesktop.NetworkManager.IP4Config',
                       {'AddressData': dbus.Array([address], signature='a{sv}')}, [])
    ac_obj.Set(nm.ACTIVE_CONNECTION_IFACE, 'Ip4Config', dbus.ObjectPath(path))


@dbus.service.method(MOCK_IFACE, in_signature='ouu', out_signature='')
def SetVpnState(self, ac, vpn_state, reason):
    '''NetworkManager's order: the active connection's StateChanged (on change), then VpnStateChanged.'''
    obj = dbusmock.get_object(ac)
    if vpn_state == 5:
        add_ip4_config(self, obj)
    if obj.Get(nm.ACTIVE_CONNECTION_IFACE, 'State') != AC_STATE[vpn_state]:
        obj.Set(nm.ACTIVE_CONNECTION_IFACE, 'State', dbus.UInt32(AC_STATE[vpn_state]))
        obj.EmitSignal(nm.ACTIVE_CONNECTION_IFACE, 'StateChanged', 'uu', [AC_STATE[vpn_state], reason])
    obj.Set(VPN, 'VpnState', dbus.UInt32(vpn_state))
    obj.EmitSignal(VPN, 'VpnStateChanged', 'uu', [vpn_state, reason])
    if vpn_state in (6, 7):
        rest = [p for p in active_paths() if p != ac]
        self.SetProperty(nm.MANAGER_OBJ, nm.MANAGER_IFACE, 'ActiveConnections', dbus.Array(rest, signature='o'))
        self.object_manager_emit_removed(ac)
        self.RemoveObject(ac)


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def SetScenario(self, scenario, password):
    '''How the next activations go: success (with "password" set, another password is
    refused as pppd refuses it), login-failed, password-refused, link-failed, uplink-lost,
    timeout, service-stopped, silent (stays connecting), plugin-missing, no-network,
    permission-denied, manual (no state changes of its own).'''
    state['scenario'] = scenario
    state['password'] = password


@dbus.service.method(MOCK_IFACE, in_signature='uu', out_signature='')
def EndAll(self, vpn_state, reason):
    '''Ends every active VPN from outside: reason 2 as "nmcli connection down" does (with
    NetworkManager's deactivation sequence), any other as the link or uplink would.'''
    for ac in active_paths():
        if reason == 2:
            take_down(self, ac, reason)
        else:
            self.SetVpnState(ac, vpn_state, reason)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def ReceivedSecrets(self):
    return dbus.Array(state['secrets'], signature='s')


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='u')
def RegisteredAgents(self):
    return dbus.UInt32(len(state['agents']))


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='s')
def ClientCalls(self):
    '''Every call the client made to the fake, with its arguments, one per line (the
    test's own control calls left out).'''
    control = {'SetScenario', 'EndAll', 'ReceivedSecrets', 'RegisteredAgents', 'ClientCalls', 'ProfileCount',
               'ProfileSettings'}
    lines = []
    for path, obj in list(dbusmock.mockobject.objects.items()):
        lines += ['%s %s %r' % (path, name, args) for (_, name, args) in obj.call_log if name not in control]
    return '\n'.join(lines)


def flatten(prefix, value, out):
    if isinstance(value, dict):
        for key, item in value.items():
            flatten('%s.%s' % (prefix, key) if prefix else str(key), item, out)
    elif isinstance(value, (list, dbus.Array)):
        out[prefix] = ','.join(str(v) for v in value)
    elif isinstance(value, dbus.Boolean):
        out[prefix] = 'true' if value else 'false'
    else:
        out[prefix] = str(value)


def profiles_named(name):
    found = []
    for path in dbusmock.get_object(nm.SETTINGS_OBJ).Get(nm.SETTINGS_IFACE, 'Connections'):
        settings = dbusmock.get_object(path).settings
        if str(settings.get('connection', {}).get('id', '')) == name:
            found.append(settings)
    return found


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='u')
def ProfileCount(self, name):
    return dbus.UInt32(len(profiles_named(name)))


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='a{ss}')
def ProfileSettings(self, name):
    '''The first profile of that id, flattened: "vpn.data.gateway" -> "10.0.0.1".'''
    out = {}
    found = profiles_named(name)
    if found:
        flatten('', found[0], out)
    return dbus.Dictionary(out, signature='ss')
