#include "tcpip.h"

#include "colores.h"
#include "fp.h"
#include "mensajes.h"              // the signal exchange messages
#include "../ventanas/cajas.h"  // the message boxes

#include <QAction>
#include <QCloseEvent>
#include <QHostAddress>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <string_view>

TChatForm* ChatForm = nullptr;

namespace {

int puerto = 1024;
// At most this much is read from one connection in one event; the rest comes
// with the next event. Keeps one event's work and memory bounded.
constexpr qsizetype MAX_LECTURA = 1 << 20;
// A client that sends faster than it reads its answers is not read from while
// this much is waiting to be sent to it.
constexpr qsizetype MAX_SALIDA = 1 << 20;
// The memos show at most this much of a text, and take a new one at most this
// often (see poner_memo).
constexpr qsizetype MAX_MEMO = 16 * 1024;
constexpr int MEMO_MS = 20;

}  // namespace

int puerto_escucha() { return puerto; }
void fijar_puerto_escucha(int p) { puerto = p; }

int codigo_winsock(int e) {
  switch (e) {
    case EINTR: return 10004;         // WSAEINTR
    case EBADF: return 10009;         // WSAEBADF
    case EACCES: return 10013;        // WSAEACCES
    case EFAULT: return 10014;        // WSAEFAULT
    case EINVAL: return 10022;        // WSAEINVAL
    case EMFILE: return 10024;        // WSAEMFILE
    case EAGAIN: return 10035;        // WSAEWOULDBLOCK
    case EINPROGRESS: return 10036;   // WSAEINPROGRESS
    case ENOTSOCK: return 10038;      // WSAENOTSOCK
    case EMSGSIZE: return 10040;      // WSAEMSGSIZE
    case EADDRINUSE: return 10048;    // WSAEADDRINUSE
    case EADDRNOTAVAIL: return 10049; // WSAEADDRNOTAVAIL
    case ENETDOWN: return 10050;      // WSAENETDOWN
    case ENETUNREACH: return 10051;   // WSAENETUNREACH
    case ENETRESET: return 10052;     // WSAENETRESET
    case ECONNABORTED: return 10053;  // WSAECONNABORTED
    case ECONNRESET: return 10054;    // WSAECONNRESET
    case ENOBUFS: return 10055;       // WSAENOBUFS
    case ENOMEM: return 10055;
    case ENOTCONN: return 10057;      // WSAENOTCONN
    case EPIPE: return 10058;         // WSAESHUTDOWN: sending after the connection ended
    case ETIMEDOUT: return 10060;     // WSAETIMEDOUT
    case ECONNREFUSED: return 10061;  // WSAECONNREFUSED
    case EHOSTDOWN: return 10064;     // WSAEHOSTDOWN
    case EHOSTUNREACH: return 10065;  // WSAEHOSTUNREACH
    default: return 10000 + e;
  }
}

// ---- one client connection ------------------------------------------------

ConexionCliente::ConexionCliente(int descriptor, QObject* padre)
    : QObject(padre), descriptor_(descriptor) {
  ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) | O_NONBLOCK);
  int uno = 1;
  ::setsockopt(descriptor_, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
  sockaddr_storage dir{};
  socklen_t largo = sizeof dir;
  if (::getpeername(descriptor_, reinterpret_cast<sockaddr*>(&dir), &largo) == 0)
    direccion_ = QHostAddress(reinterpret_cast<sockaddr*>(&dir)).toString();
  lector_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
  escritor_ = new QSocketNotifier(descriptor_, QSocketNotifier::Write, this);
  escritor_->setEnabled(false);
  connect(lector_, &QSocketNotifier::activated, this, &ConexionCliente::al_poder_leer);
  connect(escritor_, &QSocketNotifier::activated, this, &ConexionCliente::al_poder_escribir);
}

ConexionCliente::~ConexionCliente() { Close(); }

void ConexionCliente::Close() {
  if (descriptor_ < 0) return;
  lector_->setEnabled(false);
  escritor_->setEnabled(false);
  ::close(descriptor_);
  descriptor_ = -1;
  entrada_.clear();
  salida_.clear();
}

QByteArray ConexionCliente::ReceiveText() {
  QByteArray t;
  t.swap(entrada_);
  return t;
}

void ConexionCliente::SendText(const QByteArray& texto) {
  if (descriptor_ < 0) return;
  salida_.append(texto);
  vaciar_salida();
}

// Sends what the socket takes now; the rest waits for the write notifier. A
// send error is reported by the event that is running (read or write).
void ConexionCliente::vaciar_salida() {
  qsizetype enviado = 0;
  while (enviado < salida_.size()) {
    ssize_t r = ::send(descriptor_, salida_.constData() + enviado, static_cast<size_t>(salida_.size() - enviado),
                       MSG_NOSIGNAL);
    if (r > 0) {
      enviado += r;
    } else if (r < 0 && errno == EINTR) {
      continue;
    } else if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      error_ = errno;
      break;
    }
  }
  salida_.remove(0, enviado);
  escritor_->setEnabled(!salida_.isEmpty() && error_ == 0);
  // Reading again only once the client has taken most of its answers.
  lector_->setEnabled(error_ == 0 && salida_.size() <= MAX_SALIDA);
}

void ConexionCliente::al_poder_leer() {
  QPointer<ConexionCliente> yo(this);
  bool fin = false;
  // One scratch buffer for every connection: everything runs on one thread.
  static char trozo[64 * 1024];
  while (entrada_.size() < MAX_LECTURA) {
    const size_t pedido = static_cast<size_t>(std::min<qsizetype>(sizeof trozo, MAX_LECTURA - entrada_.size()));
    ssize_t r = ::recv(descriptor_, trozo, pedido, 0);
    if (r > 0) {
      entrada_.append(trozo, r);
      if (static_cast<size_t>(r) < pedido) break;  // the socket had no more
      continue;
    }
    if (r == 0) {
      fin = true;
    } else if (errno == EINTR) {
      continue;
    } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
      error_ = errno;
    }
    break;
  }
  if (!entrada_.isEmpty()) {
    emit leido(this);
    if (!yo || descriptor_ < 0) return;
  }
  terminar_evento(fin);
}

void ConexionCliente::al_poder_escribir() {
  vaciar_salida();
  terminar_evento(false);
}

void ConexionCliente::terminar_evento(bool fin) {
  if (error_ != 0) {
    const int codigo = codigo_winsock(error_);
    Close();
    emit fallo(this, codigo);
  } else if (fin) {
    Close();
    emit cerrada(this);
  }
}

// ---- the server socket -----------------------------------------------------

class TServerSocket::Escucha : public QTcpServer {
 public:
  explicit Escucha(TServerSocket* s) : QTcpServer(s), servidor_(s) {}

 protected:
  void incomingConnection(qintptr descriptor) override { servidor_->aceptar(static_cast<int>(descriptor)); }

 private:
  TServerSocket* servidor_;
};

TServerSocket::TServerSocket(QObject* padre) : QObject(padre), escucha_(new Escucha(this)) {
  // Out of descriptors, Qt stops accepting; try again shortly instead of never.
  connect(escucha_, &QTcpServer::acceptError, this, [this] {
    QTimer::singleShot(100, escucha_, [this] {
      if (escucha_->isListening()) escucha_->resumeAccepting();
    });
  });
}

TServerSocket::~TServerSocket() { Close(); }

bool TServerSocket::Open() {
  error_codigo_ = 0;
  error_texto_.clear();
  escucha_->setListenBacklogSize(1024);
  if (escucha_->listen(QHostAddress::AnyIPv4, static_cast<quint16>(Port))) return true;
  switch (escucha_->serverError()) {
    case QAbstractSocket::AddressInUseError: error_codigo_ = codigo_winsock(EADDRINUSE); break;
    case QAbstractSocket::SocketAccessError: error_codigo_ = codigo_winsock(EACCES); break;
    case QAbstractSocket::SocketResourceError: error_codigo_ = codigo_winsock(EMFILE); break;
    default: error_codigo_ = codigo_winsock(EADDRNOTAVAIL); break;
  }
  error_texto_ = escucha_->errorString();
  return false;
}

void TServerSocket::Close() {
  escucha_->close();
  for (auto& c : conexiones_) {
    if (!c) continue;
    c->Close();
    c->deleteLater();
  }
  conexiones_.clear();
}

bool TServerSocket::Active() const { return escucha_->isListening(); }

int TServerSocket::ActiveConnections() const {
  return static_cast<int>(std::count_if(conexiones_.begin(), conexiones_.end(),
                                        [](const QPointer<ConexionCliente>& c) { return c && c->abierta(); }));
}

void TServerSocket::aceptar(int descriptor) {
  auto* c = new ConexionCliente(descriptor, this);
  conexiones_.emplace_back(c);
  connect(c, &ConexionCliente::leido, this, &TServerSocket::OnClientRead);
  connect(c, &ConexionCliente::cerrada, this, [this](ConexionCliente* c) {
    emit OnClientDisconnect(c);
    quitar(c);
  });
  connect(c, &ConexionCliente::fallo, this, [this](ConexionCliente* c, int codigo) {
    quitar(c);
    // The handler restarts the server, which closes every connection: it runs
    // once the failing connection's event has returned.
    QMetaObject::invokeMethod(this, [this, codigo] { emit OnClientError(codigo); }, Qt::QueuedConnection);
  });
  emit OnAccept(c);
}

void TServerSocket::quitar(ConexionCliente* c) {
  conexiones_.erase(std::remove_if(conexiones_.begin(), conexiones_.end(),
                                   [c](const QPointer<ConexionCliente>& p) { return !p || p == c; }),
                    conexiones_.end());
  c->deleteLater();
}

// ---- the window ------------------------------------------------------------

namespace {

QPlainTextEdit* memo(QWidget* padre, const char* nombre, int top, const char* texto) {
  auto* m = new QPlainTextEdit(padre);
  m->setObjectName(nombre);
  m->setGeometry(0, top, 263, 41);
  m->setReadOnly(true);
  QPalette p = m->palette();
  p.setColor(QPalette::Base, ventanas::a_qcolor(ventanas::clBtnFace));
  m->setPalette(p);
  m->setPlainText(QString::fromLatin1(texto));
  return m;
}

QLabel* etiqueta(QWidget* padre, const char* nombre, int left, int top, const char* texto) {
  auto* l = new QLabel(QString::fromLatin1(texto), padre);
  l->setObjectName(nombre);
  l->move(left, top);
  l->adjustSize();
  return l;
}

}  // namespace

TChatForm::TChatForm(QWidget* padre)
    : QWidget(padre, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("ChatForm");
  setWindowTitle(QStringLiteral("Comunicacions kalovet"));
  setFixedSize(263, 134);
  move(446, 194);
  // Hidden or shown, this window never keeps the program alive.
  setAttribute(Qt::WA_QuitOnClose, false);

  Label2 = etiqueta(this, "Label2", 4, 4, "Trasmes");
  Memo1 = memo(this, "Memo1", 16, "<<<<");
  Label1 = etiqueta(this, "Label1", 4, 60, "Rebut");
  Memo2 = memo(this, "Memo2", 73, ">>>");
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, 134 - 19, 263, 19);
  panel0_ = new QLabel(StatusBar1);
  StatusBar1->addWidget(panel0_, 1);
  trasmes_ = "<<<<";
  rebut_ = ">>>";
  temporizador_memos_ = new QTimer(this);
  temporizador_memos_->setSingleShot(true);
  temporizador_memos_->setInterval(MEMO_MS);
  connect(temporizador_memos_, &QTimer::timeout, this, &TChatForm::mostrar_memos);

  SrvSk = new TServerSocket(this);
  SrvSk->setObjectName("SrvSk");
  ClnSk = new QTcpSocket(this);
  ClnSk->setObjectName("ClnSk");
  connect(SrvSk, &TServerSocket::OnAccept, this, &TChatForm::SrvSkAccept);
  connect(SrvSk, &TServerSocket::OnClientRead, this, &TChatForm::SrvSkClientRead);
  connect(SrvSk, &TServerSocket::OnClientDisconnect, this, &TChatForm::SrvSkClientDisconnect);
  connect(SrvSk, &TServerSocket::OnClientError, this, &TChatForm::SrvSkClientError);
  if (fprin) connect(fprin->Ventanadecontrol1, &QAction::triggered, this, &TChatForm::Ventanadecontrol1Click);

  FormCreate();
}

QString TChatForm::estado() const { return panel0_->text(); }
void TChatForm::poner_estado(const QString& texto) { panel0_->setText(texto); }

void TChatForm::FormCreate() { escuchar(); }

void TChatForm::escuchar() {
  ClnSk->abort();
  SrvSk->Close();
  SrvSk->Port = puerto;
  if (!SrvSk->Open()) {
    ventanas::mostrar_mensaje("Error de socket: " + std::to_string(SrvSk->error_codigo()) +
                              "\nNo se puede escuchar en el puerto " + std::to_string(puerto) + " (" +
                              SrvSk->error_texto().toStdString() +
                              "). El simulador sigue sin servidor TCP.");
    return;
  }
  poner_estado(QStringLiteral("Escoltant..."));
  if (fprin) fprin->poner_color(ventanas::clBtnFace);
}

void TChatForm::Ventanadecontrol1Click() {
  setVisible(!isVisible());
  if (fprin) fprin->Ventanadecontrol1->setChecked(isVisible());
}

void TChatForm::SrvSkAccept(ConexionCliente* c) {
  poner_estado(QStringLiteral("Conectat a: ") + c->RemoteAddress());
  if (fprin) fprin->poner_color(ventanas::clWhite);
}

void TChatForm::SrvSkClientRead(ConexionCliente* c) {
  const QByteArray texto = c->ReceiveText();
  poner_memo(Memo2, rebut_, texto);
  if (es_peticion_lectura(std::string_view(texto.constData(), static_cast<size_t>(texto.size())))) {
    const std::string r = componer_estado();
    const QByteArray respuesta(r.data(), static_cast<qsizetype>(r.size()));
    poner_memo(Memo1, trasmes_, respuesta);
    c->SendText(respuesta);
  } else {
    aplicar_escritura(texto.toStdString());
    c->SendText(QByteArrayLiteral("OK"));
  }
}

void TChatForm::SrvSkClientDisconnect(ConexionCliente*) {
  poner_estado(QStringLiteral("Desconectat"));
  if (fprin) fprin->poner_color(ventanas::clBtnFace);
}

void TChatForm::SrvSkClientError(int codigo) {
  ventanas::mostrar_mensaje("Error de socket: " + std::to_string(codigo));
  escuchar();
}

// The memos show the last texts. Laying out a memo costs far more than
// answering a message (some 50 us for a short text, a second for 1 MiB), so a
// memo takes its new text at most every MEMO_MS milliseconds, only the latest
// one, and shows at most MAX_MEMO characters of it.
void TChatForm::poner_memo(QPlainTextEdit* m, QByteArray& pendiente, const QByteArray& texto) {
  const QByteArray recortado = texto.left(MAX_MEMO);
  if (recortado == pendiente) return;
  pendiente = recortado;
  (m == Memo1 ? trasmes_cambiado_ : rebut_cambiado_) = true;
  if (!temporizador_memos_->isActive()) temporizador_memos_->start();
}

void TChatForm::mostrar_memos() {
  if (trasmes_cambiado_) Memo1->setPlainText(QString::fromLatin1(trasmes_));
  if (rebut_cambiado_) Memo2->setPlainText(QString::fromLatin1(rebut_));
  trasmes_cambiado_ = rebut_cambiado_ = false;
}

// No close box: only the panel's "Ventana de control" hides the window. A close
// asked by the window system (a key chord) is refused.
void TChatForm::closeEvent(QCloseEvent* e) {
  if (e->spontaneous())
    e->ignore();
  else
    QWidget::closeEvent(e);
}
