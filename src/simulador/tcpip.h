// TChatForm, the communications window: the simulator's TCP server on port
// 1024 and a small window with the last text received ("Rebut"), the last
// state reply sent ("Trasmes") and a status line with the connection state.
//
// The server socket SrvSk is a QObject owned by the window. It listens on all
// local IPv4 addresses and serves any number of clients on the main thread's
// event loop: each received chunk is one message, answered on its own
// connection with a state reply for "lectura" and "OK" for anything else. Its
// client connections are the accepted descriptors watched with socket
// notifiers, so that a connection reset by the peer (10054) is told apart from
// an orderly close, which Qt's own socket class reports alike.
//
// The main panel's background is the connection lamp: white from a client's
// connection, button face after a disconnection and after every (re)start.
//
// Bounds: one event reads at most 1 MiB from a connection (the rest is the
// next message); a client that does not read its answers is not read from
// while more than 1 MiB waits to be sent to it; the memos show at most the
// first 16 KiB of a text and take the latest text at most every 20 ms. A
// client error shows "Error de socket: <Winsock number>" and restarts the
// server once the failing connection's event has returned.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QSocketNotifier;
class QStatusBar;
class QTcpSocket;
class QTimer;

// The port escuchar listens on: 1024. Only tests that run the window in their
// own process change it, so that they do not depend on port 1024 being free on
// a shared machine; the program never does.
int puerto_escucha();
void fijar_puerto_escucha(int puerto);

// The Winsock error number that users of the simulator know for a POSIX
// socket error (ECONNRESET gives 10054, WSAECONNRESET).
int codigo_winsock(int error_posix);

// One client connection of the server socket: non-blocking, event-driven.
class ConexionCliente : public QObject {
  Q_OBJECT
 public:
  ConexionCliente(int descriptor, QObject* padre);
  ~ConexionCliente() override;

  // The client's IPv4 address in dotted form.
  QString RemoteAddress() const { return direccion_; }
  // All bytes received and not yet taken, as one text (empties the buffer).
  QByteArray ReceiveText();
  // Queues the bytes to the client, bare, and sends what the socket takes now.
  void SendText(const QByteArray& texto);
  // Closes the connection at once; no further event comes from it.
  void Close();
  bool abierta() const { return descriptor_ >= 0; }

 signals:
  void leido(ConexionCliente* c);
  void cerrada(ConexionCliente* c);
  void fallo(ConexionCliente* c, int codigo_winsock);

 private:
  void al_poder_leer();
  void al_poder_escribir();
  void vaciar_salida();
  // Reports an error met during the event (fallo) or the peer's orderly close
  // (cerrada), after closing the connection.
  void terminar_evento(bool fin);

  int descriptor_;
  int error_ = 0;  // errno of the first failed receive or send
  QString direccion_;
  QSocketNotifier* lector_;
  QSocketNotifier* escritor_;
  QByteArray entrada_;
  QByteArray salida_;
};

// The server socket: listens on Port on all local IPv4 addresses and keeps the
// list of open client connections.
class TServerSocket : public QObject {
  Q_OBJECT
 public:
  explicit TServerSocket(QObject* padre = nullptr);
  ~TServerSocket() override;

  int Port = 0;
  // Starts listening on Port. On failure returns false and leaves the error's
  // Winsock number and text in error_codigo()/error_texto().
  bool Open();
  // Closes the listening socket and every open client connection.
  void Close();
  bool Active() const;
  int ActiveConnections() const;

  int error_codigo() const { return error_codigo_; }
  QString error_texto() const { return error_texto_; }

 signals:
  void OnAccept(ConexionCliente* c);
  void OnClientRead(ConexionCliente* c);
  void OnClientDisconnect(ConexionCliente* c);
  // Emitted after the failing connection's own event has returned: by then
  // that connection is closed and must not be used.
  void OnClientError(int codigo_winsock);

 private:
  class Escucha;
  void aceptar(int descriptor);
  void quitar(ConexionCliente* c);

  Escucha* escucha_;
  std::vector<QPointer<ConexionCliente>> conexiones_;
  int error_codigo_ = 0;
  QString error_texto_;
};

class TChatForm : public QWidget {
  Q_OBJECT
 public:
  explicit TChatForm(QWidget* padre = nullptr);

  QLabel* Label2;
  QPlainTextEdit* Memo1;  // "Trasmes": the last state reply sent
  QLabel* Label1;
  QPlainTextEdit* Memo2;  // "Rebut": the last text received
  QStatusBar* StatusBar1;
  TServerSocket* SrvSk;
  QTcpSocket* ClnSk;  // never opened; escuchar only makes sure it is closed

  // Text of status panel 0.
  QString estado() const;
  void poner_estado(const QString& texto);

  // Starts or restarts the server on port 1024.
  void escuchar();

  // The automation object shows its exchanges in the same two places.
  void mostrar_trasmes(const QByteArray& texto) { poner_memo(Memo1, trasmes_, texto); }
  void mostrar_rebut(const QByteArray& texto) { poner_memo(Memo2, rebut_, texto); }

  void FormCreate();
  void Ventanadecontrol1Click();
  void SrvSkAccept(ConexionCliente* c);
  void SrvSkClientRead(ConexionCliente* c);
  void SrvSkClientDisconnect(ConexionCliente* c);
  void SrvSkClientError(int codigo);

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void poner_memo(QPlainTextEdit* memo, QByteArray& pendiente, const QByteArray& texto);
  void mostrar_memos();

  QLabel* panel0_;
  QTimer* temporizador_memos_;
  QByteArray trasmes_;  // what Memo1 shows, or will show at the next tick
  QByteArray rebut_;    // what Memo2 shows, or will show at the next tick
  bool trasmes_cambiado_ = false;
  bool rebut_cambiado_ = false;
};

extern TChatForm* ChatForm;
