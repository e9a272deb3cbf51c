// The automation object's ConsultaStr through the session bus against the TCP
// read request "lectura", both answered by the same running kalovet. This
// program is the client: it starts a private bus daemon and the simulator,
// then times blocking calls for a fixed time on each path.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const QString NOMBRE = QStringLiteral("kalovet.AutoKalovet");

struct Medida {
  long llamadas = 0;
  double segundos = 0;
  double por_segundo() const { return segundos > 0 ? llamadas / segundos : 0; }
};

enum class Via { ConsultaStr, Invoke, Ping };

Medida medir_bus(QDBusConnection& bus, const QString& ruta, double segundos, Via via) {
  QDBusMessage m =
      via == Via::Invoke    ? QDBusMessage::createMethodCall(NOMBRE, ruta, "kalovet.IDispatch", "Invoke")
      : via == Via::Ping    ? QDBusMessage::createMethodCall(NOMBRE, ruta, "org.freedesktop.DBus.Peer", "Ping")
                            : QDBusMessage::createMethodCall(NOMBRE, ruta, "kalovet.IAutoKalovet", "ConsultaStr");
  if (via == Via::Invoke) m << 2 << QVariant::fromValue(QVariantList());
  Medida r;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < segundos * 1000) {
    for (int i = 0; i < 50; ++i) {
      QDBusMessage resp = bus.call(m, QDBus::Block, 5000);
      if (resp.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "bus call failed: %s\n", qPrintable(resp.errorMessage()));
        return r;
      }
      ++r.llamadas;
    }
  }
  r.segundos = t.nsecsElapsed() / 1e9;
  return r;
}

Medida medir_tcp(double segundos) {
  Medida r;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(1024);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::perror("connect 127.0.0.1:1024");
    ::close(fd);
    return r;
  }
  int uno = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
  timeval limite{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limite, sizeof limite);
  QElapsedTimer t;
  t.start();
  char buf[512];
  while (t.elapsed() < segundos * 1000) {
    for (int i = 0; i < 50; ++i) {
      if (::send(fd, "lectura", 7, MSG_NOSIGNAL) != 7) return r;
      // The state reply is 160 to 176 characters; read until it is whole.
      size_t n = 0;
      while (n < 160) {
        ssize_t k = ::recv(fd, buf + n, sizeof buf - n, 0);
        if (k <= 0) {
          std::fprintf(stderr, "TCP reply lost\n");
          ::close(fd);
          return r;
        }
        n += static_cast<size_t>(k);
      }
      ++r.llamadas;
    }
  }
  r.segundos = t.nsecsElapsed() / 1e9;
  ::close(fd);
  return r;
}

bool esperar(const std::function<bool()>& c, int ms) {
  QElapsedTimer t;
  t.start();
  while (!c()) {
    if (t.elapsed() > ms) return false;
    QThread::msleep(20);
  }
  return true;
}

// True when nobody listens on port 1024, so that the simulator started here
// is the one that answers there.
bool puerto_libre() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int uno = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &uno, sizeof uno);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(1024);
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  bool libre = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return libre;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  double segundos = argc > 1 ? std::atof(argv[1]) : 3.0;
  if (segundos <= 0 || segundos > 60) segundos = 3.0;
  if (!esperar(puerto_libre, 60000)) {
    std::fprintf(stderr, "port 1024 stays taken by another program; the TCP side cannot be measured\n");
    return 1;
  }
  QTemporaryDir dir;
  // A private session bus.
  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
  if (!daemon.waitForReadyRead(5000)) {
    std::fprintf(stderr, "dbus-daemon did not start\n");
    return 1;
  }
  const QString direccion = QString::fromLatin1(daemon.readLine()).trimmed();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", direccion);
  env.insert("KALOVET_REGISTRO", dir.filePath("registro.reg"));
  env.insert("KALOVET_SERVICIOS_DBUS", dir.filePath("servicios"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KALOVET_RESPUESTAS", "");
  QProcess registro;
  registro.setProcessEnvironment(env);
  registro.start(KALOVET, {"/regserver"});
  registro.waitForFinished(20000);
  QProcess simulador;
  simulador.setProcessEnvironment(env);
  simulador.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  simulador.start(KALOVET, {"/embedding"});

  QDBusConnection bus = QDBusConnection::connectToBus(direccion, "bench");
  int codigo = 1;
  if (!esperar([&] { return bus.interface()->isServiceRegistered(NOMBRE).value(); }, 20000)) {
    std::fprintf(stderr, "the simulator did not take its bus name\n");
  } else {
    QThread::msleep(1500);  // the splash's second at the first showing
    QDBusMessage crear = QDBusMessage::createMethodCall(NOMBRE, "/kalovet/AutoKalovet", "kalovet.IClassFactory",
                                                        "CreateInstance");
    crear << QStringLiteral("{EB615241-29DE-11D5-BB98-000001182375}");
    QDBusReply<QDBusObjectPath> ruta = bus.call(crear);
    if (!ruta.isValid()) {
      std::fprintf(stderr, "CreateInstance: %s\n", qPrintable(ruta.error().message()));
    } else {
      medir_bus(bus, ruta.value().path(), 0.3, Via::ConsultaStr);  // warm-up
      Medida b = medir_bus(bus, ruta.value().path(), segundos, Via::ConsultaStr);
      Medida d = medir_bus(bus, ruta.value().path(), segundos, Via::Invoke);
      Medida p = medir_bus(bus, ruta.value().path(), segundos, Via::Ping);
      Medida t = medir_tcp(segundos);
      std::printf("kalovet, one client process, blocking calls, %.1f s each:\n", segundos);
      std::printf("  ConsultaStr through the bus          %9.0f calls/s  (%.1f us each)\n", b.por_segundo(),
                  1e6 / b.por_segundo());
      std::printf("  IDispatch.Invoke(2) through the bus  %9.0f calls/s  (%.1f us each)\n", d.por_segundo(),
                  1e6 / d.por_segundo());
      std::printf("  Peer.Ping to kalovet (no COM work)   %9.0f calls/s  (%.1f us each)\n", p.por_segundo(),
                  1e6 / p.por_segundo());
      std::printf("  \"lectura\" over TCP port 1024         %9.0f calls/s  (%.1f us each)\n", t.por_segundo(),
                  1e6 / t.por_segundo());
      if (t.por_segundo() > 0) std::printf("  bus / TCP                            %9.2f\n", b.por_segundo() / t.por_segundo());
      codigo = b.llamadas > 0 && t.llamadas > 0 ? 0 : 1;
    }
  }
  simulador.kill();
  simulador.waitForFinished(5000);
  daemon.kill();
  daemon.waitForFinished(5000);
  return codigo;
}
