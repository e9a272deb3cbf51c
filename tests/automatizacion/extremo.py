#!/usr/bin/python3
"""The real kalovet as an automation server on a private session bus.

Run under dbus-run-session with XDG_DATA_HOME pointing at an empty folder
whose dbus-1/services the bus reads, so that registration's activation file
is the one the bus uses:

    extremo.py KALOVET

Every case uses a registry file of its own (KALOVET_REGISTRO), passed to the
programs it starts and to the bus's activation environment. The clients are
this script's own bus connections (python3-dbus), not linked with the kit.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import dbus

KALOVET = os.path.abspath(sys.argv.pop(1))
NOMBRE = "kalovet.AutoKalovet"
RUTA = "/kalovet/AutoKalovet"
CLSID = "{EB615243-29DE-11D5-BB98-000001182375}"
LIBID = "{EB615240-29DE-11D5-BB98-000001182375}"
IID_IAUTOKALOVET = "{EB615241-29DE-11D5-BB98-000001182375}"
IID_IDISPATCH = "{00020400-0000-0000-C000-000000000046}"
IID_IUNKNOWN = "{00000000-0000-0000-C000-000000000046}"
IID_ICLASSFACTORY = "{00000001-0000-0000-C000-000000000046}"
SERVICIOS = os.path.join(os.environ["XDG_DATA_HOME"], "dbus-1", "services")
ESTADO_INICIAL = "0000000000000000" + ",0.000000" * 16


def conexion():
    """A bus connection of its own: a client of its own."""
    return dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])


def leer_registro(ruta):
    """The registry file as a list of (key, name, data) in file order."""
    valores = []
    clave = None
    with open(ruta, encoding="utf-8") as f:
        lineas = f.read().split("\n")
    assert lineas[0] == "REGEDIT4", lineas[0]
    for linea in lineas[1:]:
        if linea.startswith("["):
            clave = linea[1:-1]
        elif linea:
            m = re.fullmatch(r'(@|"(?:[^"\\]|\\.)*")=("(?:[^"\\]|\\.)*"|.*)', linea)
            assert m, linea
            nombre = "" if m.group(1) == "@" else m.group(1)[1:-1].replace('\\"', '"').replace("\\\\", "\\")
            dato = m.group(2)
            if dato.startswith('"'):
                dato = dato[1:-1].replace('\\"', '"').replace("\\\\", "\\")
            valores.append((clave, nombre, dato))
    return valores


def claves(ruta):
    with open(ruta, encoding="utf-8") as f:
        return [l[1:-1] for l in f.read().split("\n") if l.startswith("[")]


class Base(unittest.TestCase):
    def setUp(self):
        self.carpeta = tempfile.mkdtemp(prefix="kalovet_extremo_")
        self.registro = os.path.join(self.carpeta, "registro.reg")
        self.procesos = []
        self.entorno = dict(os.environ, KALOVET_REGISTRO=self.registro, QT_QPA_PLATFORM="offscreen",
                            KALOVET_RESPUESTAS="")
        self.entorno.pop("KALOVET_SERVICIOS_DBUS", None)
        self.bus = conexion()
        self.dbus = self.bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        # A program the bus starts gets the same registry and platform.
        self.dbus.UpdateActivationEnvironment(
            {"KALOVET_REGISTRO": self.registro, "QT_QPA_PLATFORM": "offscreen", "KALOVET_RESPUESTAS": ""},
            dbus_interface="org.freedesktop.DBus")
        self.assertFalse(self.tiene_dueno(), "a simulator of an earlier case is still on the bus")
        if os.path.isdir(SERVICIOS):
            for f in os.listdir(SERVICIOS):
                os.remove(os.path.join(SERVICIOS, f))

    def tearDown(self):
        for p in self.procesos:
            if p.poll() is None:
                p.kill()
                p.wait(10)
            for canal in (p.stdout, p.stderr):
                if canal:
                    canal.close()
        # A simulator the bus started for this case.
        pid = self.pid_dueno()
        if pid:
            os.kill(pid, signal.SIGKILL)
            self.esperar(lambda: not self.tiene_dueno(), 10)
        self.bus.close()
        shutil.rmtree(self.carpeta, ignore_errors=True)

    # -- helpers --------------------------------------------------------------
    def esperar(self, condicion, segundos):
        limite = time.monotonic() + segundos
        while time.monotonic() < limite:
            if condicion():
                return True
            time.sleep(0.05)
        return condicion()

    def tiene_dueno(self):
        return bool(self.dbus.NameHasOwner(NOMBRE, dbus_interface="org.freedesktop.DBus"))

    def pid_dueno(self):
        try:
            return int(self.dbus.GetConnectionUnixProcessID(NOMBRE, dbus_interface="org.freedesktop.DBus"))
        except dbus.DBusException:
            return 0

    def ejecutar(self, *args, segundos=20):
        r = subprocess.run([KALOVET, *args], env=self.entorno, capture_output=True, text=True, timeout=segundos)
        return r.returncode, r.stderr

    def registrar(self):
        """As COM would have it before starting a server for a client."""
        rc, err = self.ejecutar("/regserver")
        self.assertEqual(rc, 0, err)

    def arrancar(self, *args, programa=KALOVET):
        p = subprocess.Popen([programa, *args], env=self.entorno, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, text=True)
        self.procesos.append(p)
        self.assertTrue(self.esperar(self.tiene_dueno, 20), "the simulator did not take its bus name")
        self.assertEqual(self.pid_dueno(), p.pid)
        return p

    def fabrica(self, bus=None):
        return dbus.Interface((bus or self.bus).get_object(NOMBRE, RUTA), "kalovet.IClassFactory")

    def crear(self, iid=IID_IAUTOKALOVET, bus=None):
        ruta = self.fabrica(bus).CreateInstance(iid)
        return (bus or self.bus).get_object(NOMBRE, ruta, introspect=False)

    def termina(self, p, segundos=10):
        try:
            return p.wait(segundos)
        except subprocess.TimeoutExpired:
            return None

    def assertError(self, nombre, llamada):
        with self.assertRaises(dbus.DBusException) as e:
            llamada()
        self.assertEqual(e.exception.get_dbus_name(), nombre)
        return e.exception



class Caso(Base):
    # -- registration ---------------------------------------------------------
    def test_regserver_escribe_los_ocho_valores_y_la_biblioteca(self):
        rc, err = self.ejecutar("/regserver", segundos=10)
        self.assertEqual(rc, 0, err)
        self.assertNotIn("[caja]", err)
        self.assertFalse(self.tiene_dueno())
        clase = [(k, n, d) for (k, n, d) in leer_registro(self.registro)
                 if "TypeLib" not in k and "Interface" not in k]
        c = "HKEY_CLASSES_ROOT\\CLSID\\" + CLSID
        self.assertEqual(clase, [
            (c, "", "Automation per a Kalovet"),
            (c + "\\LocalServer32", "", KALOVET + " /Automation"),
            (c + "\\LocalServer32", "ThreadingModel", "Single"),
            ("HKEY_CLASSES_ROOT\\kalovet.AutoKalovet", "", "Automation per a Kalovet"),
            ("HKEY_CLASSES_ROOT\\kalovet.AutoKalovet\\CLSID", "", CLSID),
            (c + "\\ProgID", "", "kalovet.AutoKalovet"),
            (c + "\\Version", "", "1.0"),
            (c + "\\Typelib", "", LIBID),
        ])
        valores = {(k, n): d for (k, n, d) in leer_registro(self.registro)}
        lib = "HKEY_CLASSES_ROOT\\TypeLib\\" + LIBID + "\\1.0"
        self.assertEqual(valores[(lib + "\\409\\win32", "")], KALOVET)
        self.assertEqual(valores[(lib + "\\HELPDIR", "")], os.path.dirname(KALOVET))
        with open(os.path.join(SERVICIOS, NOMBRE + ".service")) as f:
            self.assertEqual(f.read(), "[D-BUS Service]\nName=kalovet.AutoKalovet\nExec=%s /Automation\n" % KALOVET)

    def test_registro_sin_pantalla(self):
        sin_pantalla = dict(self.entorno, QT_QPA_PLATFORM="xcb")
        sin_pantalla.pop("DISPLAY", None)
        for interruptor in ("/regserver", "/unregserver"):
            r = subprocess.run([KALOVET, interruptor], env=sin_pantalla, capture_output=True, text=True, timeout=20)
            self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("HKEY_CLASSES_ROOT\\TypeLib\\" + LIBID + "\\1.0", claves(self.registro))
        self.assertNotIn("HKEY_CLASSES_ROOT\\kalovet.AutoKalovet", claves(self.registro))

    def test_unregserver_quita_las_dos_claves_y_deja_la_biblioteca(self):
        self.assertEqual(self.ejecutar("/regserver")[0], 0)
        rc, err = self.ejecutar("-UnRegServer", segundos=10)
        self.assertEqual(rc, 0, err)
        restantes = claves(self.registro)
        self.assertFalse([k for k in restantes if CLSID in k or "kalovet.AutoKalovet" in k], restantes)
        self.assertIn("HKEY_CLASSES_ROOT\\TypeLib\\" + LIBID + "\\1.0\\409\\win32", restantes)
        self.assertFalse(os.path.exists(os.path.join(SERVICIOS, NOMBRE + ".service")))

    def test_regserver_y_unregserver_juntos_solo_registran(self):
        rc, err = self.ejecutar("/regserver", "/unregserver")
        self.assertEqual(rc, 0, err)
        self.assertIn("HKEY_CLASSES_ROOT\\kalovet.AutoKalovet\\CLSID", claves(self.registro))

    def test_un_registro_ilegible_queda_intacto(self):
        basura = "esto no es un registro\n"
        with open(self.registro, "w") as f:
            f.write(basura)
        rc, err = self.ejecutar("/regserver")
        self.assertEqual(rc, 0)
        self.assertIn(self.registro, err)
        with open(self.registro) as f:
            self.assertEqual(f.read(), basura)

    def test_regserver_sin_prefijo_es_un_arranque_normal_que_registra_cada_vez(self):
        self.assertEqual(self.ejecutar("/regserver")[0], 0)
        # A value changed by hand is overwritten by an ordinary start.
        with open(self.registro) as f:
            texto = f.read()
        with open(self.registro, "w") as f:
            f.write(texto.replace('"ThreadingModel"="Single"', '"ThreadingModel"="Otro"'))
        p = self.arrancar("REGSERVER")
        valores = {(k, n): d for (k, n, d) in leer_registro(self.registro)}
        self.assertEqual(valores[("HKEY_CLASSES_ROOT\\CLSID\\" + CLSID + "\\LocalServer32", "ThreadingModel")], "Single")
        a = self.crear()
        self.assertEqual(a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"), ESTADO_INICIAL)
        self.assertIsNone(self.termina(p, 1), "an ordinary start keeps running")

    def test_ruta_con_blanco_y_arranque_por_el_bus(self):
        carpeta = os.path.join(self.carpeta, "mis programas")
        os.mkdir(carpeta)
        copia = os.path.join(carpeta, "kalovet")
        shutil.copy2(KALOVET, copia)
        r = subprocess.run([copia, "/RegServer"], env=self.entorno, capture_output=True, text=True, timeout=20)
        self.assertEqual(r.returncode, 0, r.stderr)
        valores = {(k, n): d for (k, n, d) in leer_registro(self.registro)}
        orden = valores[("HKEY_CLASSES_ROOT\\CLSID\\" + CLSID + "\\LocalServer32", "")]
        self.assertEqual(orden, '"%s" /Automation' % copia)
        # No simulator runs: the client's call makes the bus start one with
        # the registered command.
        self.assertFalse(self.tiene_dueno())
        a = self.crear()
        pid = self.pid_dueno()
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            self.assertEqual(f.read().split(b"\0")[:-1], [copia.encode(), b"/Automation"])
        self.assertEqual(a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"), ESTADO_INICIAL)
        a.Release(dbus_interface="kalovet.IUnknown")
        self.assertTrue(self.esperar(lambda: not os.path.exists("/proc/%d" % pid) or
                                     open("/proc/%d/stat" % pid).read().split()[2] == "Z", 10),
                        "the simulator the bus started did not end after the last release")

    # -- the automation object through the bus ---------------------------------
    def test_metodos_por_el_bus_y_fin_tras_la_ultima_liberacion(self):
        self.registrar()
        p = self.arrancar("/automation")
        a = self.crear()
        b = self.crear(IID_IDISPATCH)
        self.assertNotEqual(a.object_path, b.object_path)
        self.assertEqual(a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"), ESTADO_INICIAL)
        self.assertEqual(a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"), ESTADO_INICIAL)
        a.EnviaStr("0000000000000001,2.5,-1", dbus_interface="kalovet.IAutoKalovet", signature="v")
        a.EnviaStr(dbus.Int32(42), dbus_interface="kalovet.IAutoKalovet", signature="v")
        a.EnviaStr(dbus.Double(2.5), dbus_interface="kalovet.IAutoKalovet", signature="v")
        ids = b.GetIDsOfNames(["ENVIASTR"], dbus_interface="kalovet.IDispatch")
        self.assertEqual(list(ids), [1])
        self.assertEqual(list(b.GetIDsOfNames(["consultastr"], dbus_interface="kalovet.IDispatch")), [2])
        self.assertError("kalovet.Error.DISP_E_UNKNOWNNAME",
                         lambda: b.GetIDsOfNames(["Nada"], dbus_interface="kalovet.IDispatch"))
        self.assertEqual(b.Invoke(2, dbus.Array([], signature="v"), dbus_interface="kalovet.IDispatch"),
                         ESTADO_INICIAL)
        b.Invoke(1, dbus.Array(["lectura"], signature="v"), dbus_interface="kalovet.IDispatch")
        self.assertError("kalovet.Error.DISP_E_BADPARAMCOUNT",
                         lambda: b.Invoke(1, dbus.Array([], signature="v"), dbus_interface="kalovet.IDispatch"))
        self.assertError("kalovet.Error.DISP_E_MEMBERNOTFOUND",
                         lambda: b.Invoke(9, dbus.Array([], signature="v"), dbus_interface="kalovet.IDispatch"))
        e = self.assertError("kalovet.Error.E_NOINTERFACE", lambda: self.fabrica().CreateInstance(IID_ICLASSFACTORY))
        self.assertIn("0x80004002", str(e))
        self.assertError("kalovet.Error.E_INVALIDARG", lambda: self.fabrica().CreateInstance("IDispatch"))
        self.assertEqual(a.AddRef(dbus_interface="kalovet.IUnknown"), 2)
        self.assertEqual(a.Release(dbus_interface="kalovet.IUnknown"), 1)
        self.assertEqual(a.Release(dbus_interface="kalovet.IUnknown"), 0)
        self.assertError("org.freedesktop.DBus.Error.UnknownObject",
                         lambda: a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"))
        self.assertIsNone(self.termina(p, 1), "one object is still alive")
        self.assertEqual(b.Release(dbus_interface="kalovet.IUnknown"), 0)
        self.assertEqual(self.termina(p, 10), 0, "the last release ends a simulator started for automation")
        self.assertNotIn("[caja]", p.stderr.read())

    def test_dos_clientes_comparten_el_almacen(self):
        self.registrar()
        p = self.arrancar("-Automation")
        otro = conexion()
        a = self.crear()
        b = self.crear(IID_IUNKNOWN, bus=otro)
        self.assertEqual(a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"),
                         b.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"))
        a.Release(dbus_interface="kalovet.IUnknown")
        self.assertIsNone(self.termina(p, 1))
        b.Release(dbus_interface="kalovet.IUnknown")
        otro.close()
        self.assertEqual(self.termina(p, 10), 0)

    def test_sin_biblioteca_registrada_la_interfaz_falla_con_su_error(self):
        p = self.arrancar("/automation")
        a = self.crear()
        self.assertError("kalovet.Error.TYPE_E_LIBNOTREGISTERED",
                         lambda: a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet"))
        a.Release(dbus_interface="kalovet.IUnknown")
        self.assertEqual(self.termina(p, 10), 0)

    def test_lockserver_verdadero_y_falso_termina(self):
        self.registrar()
        p = self.arrancar("/AUTOMATION")
        f = self.fabrica()
        f.LockServer(True)
        self.assertIsNone(self.termina(p, 1))
        f.LockServer(False)
        self.assertEqual(self.termina(p, 10), 0)

    def test_embedding_no_termina(self):
        self.registrar()
        p = self.arrancar("/embedding")
        a = self.crear()
        a.Release(dbus_interface="kalovet.IUnknown")
        self.fabrica().LockServer(True)
        self.fabrica().LockServer(False)
        self.assertIsNone(self.termina(p, 2), "without AUTOMATION the simulator keeps running")

    def test_un_cliente_que_muere_suelta_sus_objetos(self):
        self.registrar()
        p = self.arrancar("/automation")
        cliente = subprocess.Popen(
            ["/usr/bin/python3", "-c",
             "import dbus,sys,time\n"
             "b=dbus.SessionBus()\n"
             "f=b.get_object('%s','%s')\n"
             "r=f.CreateInstance('%s',dbus_interface='kalovet.IClassFactory')\n"
             "f.LockServer(True,dbus_interface='kalovet.IClassFactory')\n"
             "print(r,flush=True)\n"
             "time.sleep(60)\n" % (NOMBRE, RUTA, IID_IAUTOKALOVET)],
            stdout=subprocess.PIPE, text=True, env=self.entorno)
        self.procesos.append(cliente)
        self.assertTrue(cliente.stdout.readline().startswith(RUTA + "/"))
        self.assertIsNone(self.termina(p, 1), "the client still holds its object")
        cliente.kill()
        cliente.wait(10)
        self.assertEqual(self.termina(p, 10), 0, "the killed client's object and lock were released")

    def test_un_desbloqueo_sin_bloqueo_no_suelta_el_de_otro(self):
        self.registrar()
        p = self.arrancar("/automation")
        otro = conexion()
        a = self.crear(bus=otro)
        self.fabrica().LockServer(False)  # this client never locked
        self.assertIsNone(self.termina(p, 1))
        a.Release(dbus_interface="kalovet.IUnknown")
        self.assertEqual(self.termina(p, 10), 0)
        otro.close()


AVISO = ("[caja] COM Server Warning | There are still active COM objects in this application.  One or more "
         "clients may have references to these objects, so manually closing this application may cause those "
         "client application(s) to fail.\r\n\r\nAre you sure you want to close this application? -> ")


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "needs Xvfb and xdotool")
class Cierre(Base):
    """Closing the main panel from its menu, on a virtual X screen."""

    def setUp(self):
        super().setUp()
        lectura, escritura = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(escritura), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(escritura,), stderr=subprocess.DEVNULL)
        os.close(escritura)
        with os.fdopen(lectura) as f:
            pantalla = f.readline().strip()
        self.assertTrue(pantalla, "Xvfb gave no display")
        self.entorno.update(DISPLAY=":" + pantalla, QT_QPA_PLATFORM="xcb", KALOVET_RESPUESTAS="No,Si")
        self.salida = os.path.join(self.carpeta, "stderr.txt")

    def tearDown(self):
        super().tearDown()
        self.xvfb.kill()
        self.xvfb.wait(10)

    def arrancar_con_pantalla(self, *args):
        with open(self.salida, "w") as err:
            p = subprocess.Popen([KALOVET, *args], env=self.entorno, stdout=subprocess.DEVNULL, stderr=err)
        self.procesos.append(p)
        self.assertTrue(self.esperar(self.tiene_dueno, 20))
        return p

    def xdotool(self, *args):
        r = subprocess.run(["xdotool", *args], env=self.entorno, capture_output=True, text=True, timeout=20)
        return r.stdout.strip()

    def salir_por_el_menu(self, hecho):
        """Chooses "Archivo", "Salir" on the main panel until `hecho()` holds
        (a few tries: a loaded machine may open the menu late)."""
        ventana = ""
        limite = time.monotonic() + 20
        while not ventana and time.monotonic() < limite:
            ventana = self.xdotool("search", "--onlyvisible", "--name", "^Kalovet v").split("\n")[0]
            time.sleep(0.1)
        self.assertTrue(ventana, "the main panel did not show")
        time.sleep(1.5)  # the splash's blocking second at the first showing
        for intento in range(4):
            self.xdotool("mousemove", "--sync", "--window", ventana, "20", "10", "click", "1")
            time.sleep(0.5 + intento)
            self.xdotool("key", "Down", "Return")
            if self.esperar(hecho, 5):
                return
            self.xdotool("key", "Escape")
        self.fail("choosing Salir had no effect")

    def avisos(self):
        with open(self.salida, encoding="utf-8", errors="replace") as f:
            return f.read().count("[caja] COM Server Warning")

    def test_cerrar_con_un_objeto_vivo_pregunta_no_y_luego_si(self):
        self.registrar()
        p = self.arrancar_con_pantalla("/embedding")
        a = self.crear()
        self.salir_por_el_menu(lambda: self.avisos() >= 1)
        self.assertEqual(self.avisos(), 1)
        self.assertIsNone(self.termina(p, 1), "No keeps the simulator running")
        self.assertEqual(a.ConsultaStr(dbus_interface="kalovet.IAutoKalovet", signature=""), ESTADO_INICIAL)
        self.salir_por_el_menu(lambda: self.avisos() >= 2)
        self.assertEqual(self.termina(p, 10), 0, "Yes ends it")
        with open(self.salida, encoding="utf-8", newline="") as f:
            texto = f.read()
        self.assertIn(AVISO + "No\n", texto)
        self.assertIn(AVISO + "Si\n", texto)

    def test_cerrar_sin_objetos_no_pregunta(self):
        self.registrar()
        p = self.arrancar_con_pantalla("/automation")
        a = self.crear()
        b = self.crear()
        a.Release(dbus_interface="kalovet.IUnknown")
        self.salir_por_el_menu(lambda: self.avisos() >= 1)  # one object is still alive: asked, No
        b.Release(dbus_interface="kalovet.IUnknown")  # the quit rule ends it
        self.assertEqual(self.termina(p, 10), 0)
        p = self.arrancar_con_pantalla("/embedding")
        self.salir_por_el_menu(lambda: p.poll() is not None)
        self.assertEqual(self.termina(p, 10), 0)
        self.assertEqual(self.avisos(), 0, "no warning with no object alive")


if __name__ == "__main__":
    unittest.main(verbosity=2)
