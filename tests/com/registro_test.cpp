// The registry file: reading, writing, key order, removal, atomic rewrite.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <thread>
#include <fstream>
#include <sstream>

#include "registro.h"

using namespace com;

namespace {

std::string leer_archivo(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

class RegistroArchivo : public ::testing::Test {
 protected:
  void SetUp() override {
    char plantilla[] = "/tmp/kalovet_reg_XXXXXX";
    carpeta = mkdtemp(plantilla);
    ruta = carpeta + "/sub/registro.reg";
    setenv("KALOVET_REGISTRO", ruta.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KALOVET_REGISTRO");
    std::system(("rm -rf '" + carpeta + "'").c_str());
  }
  std::string carpeta, ruta;
};

}  // namespace

TEST(Registro, TextoDeExportacionIdaYVuelta) {
  const char* texto =
      "REGEDIT4\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CLASSES_ROOT\\kalovet.AutoKalovet]\r\n"
      "@=\"Automation per a Kalovet\"\r\n"
      "\r\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{X}\\LocalServer32]\r\n"
      "@=\"\\\"/opt/a b/kalovet\\\" /Automation\"\r\n"
      "\"ThreadingModel\"=\"Single\"\r\n"
      "\"Cuenta\"=dword:00000010\r\n"
      "\"Bytes\"=hex:01,02,\\\r\n"
      "  03\r\n";
  std::string error;
  auto r = Registro::leer_texto(texto, &error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(*r->leer("HKEY_CLASSES_ROOT\\CLSID\\{x}\\localserver32", ""), "\"/opt/a b/kalovet\" /Automation");
  EXPECT_EQ(*r->leer("HKEY_CLASSES_ROOT\\CLSID\\{X}\\LocalServer32", "threadingmodel"), "Single");
  EXPECT_EQ(r->leer("HKEY_CLASSES_ROOT\\CLSID\\{X}\\LocalServer32", "Cuenta"), nullptr);  // not a string
  // Parents exist as keys; the file's order is kept.
  ASSERT_EQ(r->claves().size(), 5u);
  EXPECT_EQ(r->claves()[0].ruta, "HKEY_CLASSES_ROOT");
  EXPECT_EQ(r->claves()[1].ruta, "HKEY_CLASSES_ROOT\\kalovet.AutoKalovet");
  auto escrito = r->escribir_texto();
  ASSERT_TRUE(escrito);
  EXPECT_NE(escrito->find("\"Bytes\"=hex:01,02,03\n"), std::string::npos);
  EXPECT_NE(escrito->find("\"Cuenta\"=dword:00000010\n"), std::string::npos);
  auto otra = Registro::leer_texto(*escrito);
  ASSERT_TRUE(otra);
  EXPECT_EQ(otra->escribir_texto(), escrito);
}

TEST(Registro, TextosQueNoSePuedenLeer) {
  struct Caso {
    const char* nombre;
    const char* texto;
  } casos[] = {
      {"sin cabecera", "[HKEY_CLASSES_ROOT\\A]\n@=\"x\"\n"},
      {"otra cabecera", "REGEDIT5\n"},
      {"valor fuera de clave", "REGEDIT4\n@=\"x\"\n"},
      {"corchete sin cerrar", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A\n"},
      {"clave vacia", "REGEDIT4\n[]\n"},
      {"clave de borrado", "REGEDIT4\n[-HKEY_CLASSES_ROOT\\A]\n"},
      {"barra doble", "REGEDIT4\n[HKEY_CLASSES_ROOT\\\\A]\n"},
      {"cadena sin cerrar", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@=\"x\n"},
      {"escape desconocido", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@=\"a\\n\"\n"},
      {"texto tras la cadena", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@=\"a\" b\n"},
      {"sin igual", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@\"a\"\n"},
      {"borrado de valor", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"v\"=-\n"},
      {"tipo sin dos puntos", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"v\"=12\n"},
      {"continuacion al final", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"v\"=hex:01,\\\n"},
      {"linea suelta", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\nhola\n"},
  };
  for (const auto& c : casos) {
    std::string error;
    EXPECT_FALSE(Registro::leer_texto(c.texto, &error)) << c.nombre;
    EXPECT_FALSE(error.empty()) << c.nombre;
  }
  EXPECT_FALSE(Registro::leer_texto(std::string("REGEDIT4\n\0", 10)));
  EXPECT_TRUE(Registro::leer_texto(""));
  EXPECT_TRUE(Registro::leer_texto("\n\n"));
}

TEST(Registro, BorrarArbolQuitaSubclavesYNadaMas) {
  Registro r;
  r.fijar("HKEY_CLASSES_ROOT\\CLSID\\{A}", "", "a");
  r.fijar("HKEY_CLASSES_ROOT\\CLSID\\{A}\\LocalServer32", "", "x");
  r.fijar("HKEY_CLASSES_ROOT\\CLSID\\{A}\\LocalServer32\\Hondo", "", "y");
  r.fijar("HKEY_CLASSES_ROOT\\CLSID\\{AB}", "", "otra");
  r.fijar("HKEY_CLASSES_ROOT\\CLSID\\{A}\\ProgID", "", "p");
  EXPECT_EQ(r.subclaves("HKEY_CLASSES_ROOT\\CLSID\\{A}"), (std::vector<std::string>{"LocalServer32", "ProgID"}));
  EXPECT_TRUE(r.borrar_arbol("hkey_classes_root\\clsid\\{a}"));
  EXPECT_EQ(r.buscar("HKEY_CLASSES_ROOT\\CLSID\\{A}"), nullptr);
  EXPECT_EQ(r.buscar("HKEY_CLASSES_ROOT\\CLSID\\{A}\\LocalServer32\\Hondo"), nullptr);
  EXPECT_NE(r.buscar("HKEY_CLASSES_ROOT\\CLSID\\{AB}"), nullptr);
  EXPECT_NE(r.buscar("HKEY_CLASSES_ROOT\\CLSID"), nullptr);
  EXPECT_FALSE(r.borrar_arbol("HKEY_CLASSES_ROOT\\CLSID\\{A}"));
}

TEST(Registro, UnValorConSaltoDeLineaNoSeEscribe) {
  Registro r;
  r.fijar("HKEY_CLASSES_ROOT\\A", "", "linea\nsegunda");
  EXPECT_FALSE(r.escribir_texto());
}

TEST_F(RegistroArchivo, EscribeCreaLaCarpetaYReescribeEntero) {
  ASSERT_EQ(modificar_registro([](Registro& r) {
              r.fijar("HKEY_CLASSES_ROOT\\A", "", "uno");
              return S_OK;
            }),
            S_OK);
  EXPECT_EQ(leer_archivo(ruta), "REGEDIT4\n\n[HKEY_CLASSES_ROOT]\n\n[HKEY_CLASSES_ROOT\\A]\n@=\"uno\"\n");
  // A change that fails writes nothing.
  EXPECT_EQ(modificar_registro([](Registro& r) {
              r.fijar("HKEY_CLASSES_ROOT\\A", "", "dos");
              return E_FAIL;
            }),
            E_FAIL);
  EXPECT_NE(leer_archivo(ruta).find("uno"), std::string::npos);
  // No temporary file is left beside it.
  EXPECT_NE(access((ruta + ".tmp." + std::to_string(getpid())).c_str(), F_OK), 0);
}

TEST_F(RegistroArchivo, UnArchivoIlegibleQuedaIntacto) {
  mkdir((carpeta + "/sub").c_str(), 0700);
  const std::string basura = "esto no es un registro\n";
  std::ofstream(ruta) << basura;
  testing::internal::CaptureStderr();
  HRESULT r = modificar_registro([](Registro& reg) {
    reg.fijar("HKEY_CLASSES_ROOT\\A", "", "uno");
    return S_OK;
  });
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(r, REGDB_E_READREGDB);
  EXPECT_EQ(leer_archivo(ruta), basura);
  EXPECT_NE(err.find(ruta), std::string::npos);
  EXPECT_NE(err.find("line 1"), std::string::npos);
}

TEST_F(RegistroArchivo, RutaPorDefectoPorUsuario) {
  unsetenv("KALOVET_REGISTRO");
  setenv("XDG_CONFIG_HOME", "/home/x/.cfg", 1);
  EXPECT_EQ(ruta_registro(), "/home/x/.cfg/kalovet/registro.reg");
  unsetenv("XDG_CONFIG_HOME");
  std::string home = getenv("HOME") ? getenv("HOME") : "/tmp";
  EXPECT_EQ(ruta_registro(), home + "/.config/kalovet/registro.reg");
}

TEST_F(RegistroArchivo, UnEscritorMatadoNoDejaUnArchivoAMedias) {
  // A writer killed at any moment leaves the old whole file or the new one.
  constexpr int kClaves = 400;
  const std::string relleno(2000, 'x');  // large values: the write itself takes a while
  auto escribir = [&relleno](int n) {
    return modificar_registro([n, &relleno](Registro& r) {
      for (int k = 0; k < kClaves; ++k)
        r.fijar("HKEY_CLASSES_ROOT\\Prueba\\" + std::to_string(k), "", "valor " + std::to_string(n) + relleno);
      return S_OK;
    });
  };
  // How long one rewrite takes here: the kills fall at points across it.
  auto inicio = std::chrono::steady_clock::now();
  ASSERT_EQ(escribir(-1), S_OK);
  ASSERT_EQ(escribir(-2), S_OK);
  auto una = (std::chrono::steady_clock::now() - inicio) / 2;
  for (int vuelta = 0; vuelta < 30; ++vuelta) {
    pid_t hijo = fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0)
      for (int n = 0;; ++n) escribir(n);
    std::this_thread::sleep_for(una * (1 + vuelta % 10) / 4);
    kill(hijo, SIGKILL);
    int estado;
    waitpid(hijo, &estado, 0);
    Registro r;
    ASSERT_EQ(cargar_registro(ruta, r), S_OK) << "round " << vuelta;
    const std::string* primero = r.leer("HKEY_CLASSES_ROOT\\Prueba\\0", "");
    const std::string* ultimo = r.leer("HKEY_CLASSES_ROOT\\Prueba\\" + std::to_string(kClaves - 1), "");
    ASSERT_TRUE(primero && ultimo) << "round " << vuelta;
    EXPECT_EQ(*primero, *ultimo) << "round " << vuelta << ": one write, whole";
  }
  // The next write clears what the killed writers left behind.
  ASSERT_EQ(escribir(0), S_OK);
  int sobrantes = 0;
  for (const auto& e : std::filesystem::directory_iterator(carpeta + "/sub"))
    if (e.path().filename().string().find(".tmp.") != std::string::npos) ++sobrantes;
  EXPECT_EQ(sobrantes, 0);
}
