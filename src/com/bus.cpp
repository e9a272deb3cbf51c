#include "bus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>

#include <cstdio>
#include <map>
#include <memory>

#include "biblioteca_tipos.h"
#include "bstr.h"
#include "variante.h"

namespace com::bus {

namespace {

const QString kFabrica = QStringLiteral("kalovet.IClassFactory");
const QString kUnknown = QStringLiteral("kalovet.IUnknown");
const QString kDispatch = QStringLiteral("kalovet.IDispatch");

QString error_de(HRESULT r) { return QStringLiteral("kalovet.Error.") + QString::fromStdString(nombre_hresult(r)); }

// A D-Bus value as a VARIANT; false for a type that has no VARIANT form.
bool a_variante(const QVariant& q, VARIANT& v) {
  VariantInit(&v);
  QVariant valor = q;
  if (valor.canConvert<QDBusVariant>() && valor.metaType() == QMetaType::fromType<QDBusVariant>())
    valor = valor.value<QDBusVariant>().variant();
  switch (valor.metaType().id()) {
    case QMetaType::QString: {
      std::u16string w = valor.toString().toStdU16String();
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
      return v.bstrVal != nullptr;
    }
    case QMetaType::Int: v.vt = VT_I4; v.lVal = valor.toInt(); return true;
    case QMetaType::UInt: v.vt = VT_UI4; v.ulVal = valor.toUInt(); return true;
    case QMetaType::LongLong: v.vt = VT_I8; v.llVal = valor.toLongLong(); return true;
    case QMetaType::ULongLong: v.vt = VT_UI8; v.ullVal = valor.toULongLong(); return true;
    case QMetaType::Double: v.vt = VT_R8; v.dblVal = valor.toDouble(); return true;
    case QMetaType::Bool: v.vt = VT_BOOL; v.boolVal = valor.toBool() ? VARIANT_TRUE : VARIANT_FALSE; return true;
    case QMetaType::UChar: v.vt = VT_UI1; v.bVal = static_cast<uint8_t>(valor.value<uchar>()); return true;
    case QMetaType::Short: v.vt = VT_I2; v.iVal = valor.value<short>(); return true;
    case QMetaType::UShort: v.vt = VT_UI2; v.uiVal = valor.value<ushort>(); return true;
    default: break;
  }
  if (valor.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
    v.vt = VT_BSTR;
    v.bstrVal = bstr_de(valor.value<QDBusObjectPath>().path().toStdString());
    return true;
  }
  if (valor.metaType() == QMetaType::fromType<QDBusSignature>()) {
    v.vt = VT_BSTR;
    v.bstrVal = bstr_de(valor.value<QDBusSignature>().signature().toStdString());
    return true;
  }
  return false;
}

// A VARIANT result as a D-Bus value. An empty result is an empty "av".
QVariant de_variante(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: return QString::fromStdU16String(std::u16string(vista(v.bstrVal)));
    case VT_I1: return static_cast<short>(v.cVal);
    case VT_I2: return QVariant::fromValue<short>(v.iVal);
    case VT_I4:
    case VT_INT: return static_cast<int>(v.lVal);
    case VT_I8: return static_cast<qlonglong>(v.llVal);
    case VT_UI1: return QVariant::fromValue<uchar>(v.bVal);
    case VT_UI2: return QVariant::fromValue<ushort>(v.uiVal);
    case VT_UI4:
    case VT_UINT: return static_cast<uint>(v.ulVal);
    case VT_UI8: return static_cast<qulonglong>(v.ullVal);
    case VT_R4: return static_cast<double>(v.fltVal);
    case VT_R8: return v.dblVal;
    case VT_BOOL: return v.boolVal != VARIANT_FALSE;
    default: break;
  }
  // Anything else travels as its text where it has one.
  VARIANT texto;
  VariantInit(&texto);
  if (SUCCEEDED(VariantChangeType(&texto, &v, 0, VT_BSTR)) && v.vt != VT_EMPTY) {
    QVariant r = QString::fromStdU16String(std::u16string(vista(texto.bstrVal)));
    VariantClear(&texto);
    return r;
  }
  VariantClear(&texto);
  return QVariant::fromValue(QVariantList());
}

QVariantList lista_variantes(const QVariant& q) {
  if (q.metaType() == QMetaType::fromType<QDBusArgument>()) return qdbus_cast<QVariantList>(q.value<QDBusArgument>());
  return q.toList();
}

struct Entrada {
  IUnknown* objeto = nullptr;  // the interface the client asked for
  QString cliente;
  ULONG referencias = 0;  // references the client holds through the bus
};

class PuenteClase final : public QDBusVirtualObject {
 public:
  PuenteClase(QDBusConnection conexion, QString nombre, IClassFactory* fabrica)
      : conexion_(conexion), nombre_(std::move(nombre)), fabrica_(fabrica),
        vigilante_(QString(), conexion, QDBusServiceWatcher::WatchForUnregistration) {
    ruta_ = "/" + QString(nombre_).replace('.', '/');
    QObject::connect(&vigilante_, &QDBusServiceWatcher::serviceUnregistered, this,
                     [this](const QString& cliente) { cliente_perdido(cliente); });
  }
  ~PuenteClase() override { fabrica_->Release(); }

  const QString& ruta() const { return ruta_; }
  const QString& nombre() const { return nombre_; }
  int objetos() const { return static_cast<int>(entradas_.size()); }

  QString introspect(const QString& ruta) const override;
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override;

 private:
  void responder(const QDBusMessage& m, const QVariantList& args) {
    conexion_.send(m.createReply(args));
  }
  void fallar(const QDBusMessage& m, HRESULT r) {
    conexion_.send(m.createErrorReply(error_de(r), QString::fromStdString(texto_hresult(r) + " " + nombre_hresult(r))));
  }
  void fallar_dbus(const QDBusMessage& m, const char* nombre, const QString& texto) {
    conexion_.send(m.createErrorReply(QString::fromLatin1(nombre), texto));
  }
  void atender(const QDBusMessage& m);
  void vigilar(const QString& cliente);
  void cliente_perdido(const QString& cliente);
  void de_fabrica(const QDBusMessage& m);
  void de_objeto(const QDBusMessage& m, int numero);
  // The object's type information for "<library>.<interface>": S_FALSE when
  // the object's interface has another name, an error when it has none.
  HRESULT info_para(IUnknown* objeto, const QString& interfaz, ITypeInfo** info, const DeclTipo** tipo);

  QDBusConnection conexion_;
  QString nombre_;
  QString ruta_;
  IClassFactory* fabrica_;
  QDBusServiceWatcher vigilante_;
  std::map<int, Entrada> entradas_;
  std::map<QString, int> bloqueos_;  // LockServer locks held per client
  int siguiente_ = 1;
};

std::map<DWORD, std::unique_ptr<PuenteClase>>& registrados() {
  static std::map<DWORD, std::unique_ptr<PuenteClase>> r;
  return r;
}

QString xml_objeto(const QString& extra) {
  return QStringLiteral(
             "  <interface name=\"kalovet.IUnknown\">\n"
             "    <method name=\"AddRef\"><arg type=\"u\" direction=\"out\"/></method>\n"
             "    <method name=\"Release\"><arg type=\"u\" direction=\"out\"/></method>\n"
             "  </interface>\n"
             "  <interface name=\"kalovet.IDispatch\">\n"
             "    <method name=\"GetIDsOfNames\"><arg name=\"names\" type=\"as\" direction=\"in\"/>"
             "<arg type=\"ai\" direction=\"out\"/></method>\n"
             "    <method name=\"Invoke\"><arg name=\"dispid\" type=\"i\" direction=\"in\"/>"
             "<arg name=\"args\" type=\"av\" direction=\"in\"/><arg type=\"v\" direction=\"out\"/></method>\n"
             "  </interface>\n") +
         extra;
}

QString PuenteClase::introspect(const QString& ruta) const {
  if (ruta == ruta_) {
    QString xml = QStringLiteral(
        "  <interface name=\"kalovet.IClassFactory\">\n"
        "    <method name=\"CreateInstance\"><arg name=\"iid\" type=\"s\" direction=\"in\"/>"
        "<arg type=\"o\" direction=\"out\"/></method>\n"
        "    <method name=\"LockServer\"><arg name=\"lock\" type=\"b\" direction=\"in\"/></method>\n"
        "  </interface>\n");
    for (const auto& [n, e] : entradas_) xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(n);
    return xml;
  }
  bool ok = false;
  int n = ruta.mid(ruta_.size() + 1).toInt(&ok);
  auto it = entradas_.find(n);
  if (!ok || it == entradas_.end()) return QString();
  // The object's own interface, from its type information.
  QString extra;
  IDispatch* d = nullptr;
  if (SUCCEEDED(it->second.objeto->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)))) {
    ITypeInfo* info = nullptr;
    ITypeLib* lib = nullptr;
    const DeclTipo* tipo = nullptr;
    const DeclBiblioteca* bib = nullptr;
    if (SUCCEEDED(d->GetTypeInfo(0, 0, &info)) && SUCCEEDED(info->GetTypeAttr(&tipo)) &&
        SUCCEEDED(info->GetContainingTypeLib(&lib, nullptr)) && SUCCEEDED(lib->GetLibAttr(&bib))) {
      extra = QStringLiteral("  <interface name=\"%1.%2\">\n")
                  .arg(QString::fromStdString(bib->nombre), QString::fromStdString(tipo->nombre));
      for (const auto& f : tipo->funciones) {
        extra += QStringLiteral("    <method name=\"%1\">").arg(QString::fromStdString(f.nombre));
        for (const auto& p : f.parametros) {
          bool salida = p.flags & PARAMFLAG_FRETVAL;
          const char* tipo_dbus = p.vt == VT_VARIANT ? "v" : p.vt == VT_BSTR ? "s" : "v";
          extra += QStringLiteral("<arg name=\"%1\" type=\"%2\" direction=\"%3\"/>")
                       .arg(QString::fromStdString(p.nombre), QLatin1String(tipo_dbus),
                            salida ? QStringLiteral("out") : QStringLiteral("in"));
        }
        extra += QStringLiteral("</method>\n");
      }
      extra += QStringLiteral("  </interface>\n");
    }
    if (lib) lib->Release();
    if (info) info->Release();
    d->Release();
  }
  return xml_objeto(extra);
}

void PuenteClase::vigilar(const QString& cliente) {
  if (vigilante_.watchedServices().contains(cliente)) return;
  vigilante_.addWatchedService(cliente);
  // A client that left before the watch began would never be reported.
  if (!conexion_.interface()->isServiceRegistered(cliente).value()) cliente_perdido(cliente);
}

void PuenteClase::cliente_perdido(const QString& cliente) {
  vigilante_.removeWatchedService(cliente);
  for (auto it = entradas_.begin(); it != entradas_.end();) {
    if (it->second.cliente != cliente) {
      ++it;
      continue;
    }
    Entrada e = it->second;
    it = entradas_.erase(it);
    for (ULONG i = 0; i < e.referencias; ++i) e.objeto->Release();
  }
  auto b = bloqueos_.find(cliente);
  if (b != bloqueos_.end()) {
    int n = b->second;
    bloqueos_.erase(b);
    for (int i = 0; i < n; ++i) fabrica_->LockServer(0);
  }
}

bool PuenteClase::handleMessage(const QDBusMessage& m, const QDBusConnection&) {
  if (m.type() != QDBusMessage::MethodCallMessage) return false;
  if (QThread::currentThread() != thread()) {
    // Every call runs on the thread that registered the class object, through
    // its event loop, between its other events.
    QMetaObject::invokeMethod(this, [this, m] { atender(m); }, Qt::QueuedConnection);
    return true;
  }
  atender(m);
  return true;
}

void PuenteClase::atender(const QDBusMessage& m) {
  if (m.interface() == QLatin1String("org.freedesktop.DBus.Introspectable") &&
      m.member() == QLatin1String("Introspect")) {
    QString xml = introspect(m.path());
    if (xml.isNull() && m.path() != ruta_) {
      fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownObject", QStringLiteral("No such object: ") + m.path());
      return;
    }
    responder(m, {QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
                                 "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n"
                                 "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
                                 "    <method name=\"Introspect\"><arg type=\"s\" direction=\"out\"/></method>\n"
                                 "  </interface>\n") +
                  xml + QStringLiteral("</node>\n")});
    return;
  }
  if (m.path() == ruta_) {
    de_fabrica(m);
    return;
  }
  if (!m.path().startsWith(ruta_ + "/")) {
    fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownObject", QStringLiteral("No such object: ") + m.path());
    return;
  }
  bool ok = false;
  int n = m.path().mid(ruta_.size() + 1).toInt(&ok);
  if (!ok || !entradas_.count(n)) {
    fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownObject", QStringLiteral("No such object: ") + m.path());
    return;
  }
  de_objeto(m, n);
}

void PuenteClase::de_fabrica(const QDBusMessage& m) {
  if (m.interface() != kFabrica && !m.interface().isEmpty()) {
    fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownInterface", QStringLiteral("No such interface: ") + m.interface());
    return;
  }
  if (m.member() == QLatin1String("CreateInstance") && m.signature() == QLatin1String("s")) {
    auto iid = leer_guid(m.arguments().at(0).toString().toStdString());
    if (!iid) {
      fallar(m, E_INVALIDARG);
      return;
    }
    void* p = nullptr;
    HRESULT r = fabrica_->CreateInstance(nullptr, *iid, &p);
    if (FAILED(r)) {
      fallar(m, r);
      return;
    }
    int n = siguiente_++;
    entradas_[n] = Entrada{static_cast<IUnknown*>(p), m.service(), 1};
    responder(m, {QVariant::fromValue(QDBusObjectPath(ruta_ + "/" + QString::number(n)))});
    vigilar(m.service());
    return;
  }
  if (m.member() == QLatin1String("LockServer") && m.signature() == QLatin1String("b")) {
    bool bloquear = m.arguments().at(0).toBool();
    int& mios = bloqueos_[m.service()];
    // An unlock by a client that holds no lock is ignored: it would take a
    // lock that another client holds.
    if (bloquear || mios > 0) {
      mios += bloquear ? 1 : -1;
      fabrica_->LockServer(bloquear ? 1 : 0);
    }
    if (mios == 0) bloqueos_.erase(m.service());
    else vigilar(m.service());
    responder(m, {});
    return;
  }
  fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownMethod",
              QStringLiteral("No method %1(%2) in %3").arg(m.member(), m.signature(), kFabrica));
}

HRESULT PuenteClase::info_para(IUnknown* objeto, const QString& interfaz, ITypeInfo** resultado,
                               const DeclTipo** tipo) {
  *resultado = nullptr;
  IDispatch* d = nullptr;
  HRESULT r = objeto->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
  if (FAILED(r)) return r;
  ITypeInfo* info = nullptr;
  r = d->GetTypeInfo(0, 0, &info);
  d->Release();
  if (FAILED(r)) return r;
  ITypeLib* lib = nullptr;
  const DeclBiblioteca* bib = nullptr;
  bool coincide = SUCCEEDED(info->GetTypeAttr(tipo)) && SUCCEEDED(info->GetContainingTypeLib(&lib, nullptr)) &&
                  SUCCEEDED(lib->GetLibAttr(&bib)) &&
                  interfaz == QString::fromStdString(bib->nombre + "." + (*tipo)->nombre);
  if (lib) lib->Release();
  if (!coincide) {
    info->Release();
    return S_FALSE;
  }
  *resultado = info;
  return S_OK;
}

void PuenteClase::de_objeto(const QDBusMessage& m, int numero) {
  Entrada& e = entradas_.at(numero);
  const QString& i = m.interface();
  const QString& metodo = m.member();
  const QString firma = m.signature();
  if ((i == kUnknown || i.isEmpty()) && metodo == QLatin1String("AddRef") && firma.isEmpty()) {
    ++e.referencias;
    responder(m, {QVariant::fromValue(static_cast<uint>(e.objeto->AddRef()))});
    return;
  }
  if ((i == kUnknown || i.isEmpty()) && metodo == QLatin1String("Release") && firma.isEmpty()) {
    IUnknown* objeto = e.objeto;
    if (--e.referencias == 0) entradas_.erase(numero);
    // The reply goes out before the release, which may end a server started
    // for automation.
    ULONG cuenta = 0;
    // AddRef/Release pairs give the count the release will leave.
    objeto->AddRef();
    cuenta = objeto->Release() - 1;
    responder(m, {QVariant::fromValue(static_cast<uint>(cuenta))});
    objeto->Release();
    return;
  }
  if (i == kDispatch || i.isEmpty()) {
    if (metodo == QLatin1String("GetIDsOfNames") && firma == QLatin1String("as")) {
      QStringList nombres = qdbus_cast<QStringList>(m.arguments().at(0));
      IDispatch* d = nullptr;
      HRESULT r = e.objeto->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
      if (FAILED(r)) {
        fallar(m, r);
        return;
      }
      std::vector<std::u16string> anchos;
      for (const auto& n : nombres) anchos.push_back(n.toStdU16String());
      std::vector<OLECHAR*> punteros;
      for (auto& a : anchos) punteros.push_back(a.data());
      std::vector<DISPID> ids(anchos.size(), DISPID_UNKNOWN);
      r = d->GetIDsOfNames(IID_NULL, punteros.data(), static_cast<UINT>(punteros.size()), 0, ids.data());
      d->Release();
      if (FAILED(r)) {
        fallar(m, r);
        return;
      }
      QList<int> lista(ids.begin(), ids.end());
      responder(m, {QVariant::fromValue(lista)});
      return;
    }
    if (metodo == QLatin1String("Invoke") && firma == QLatin1String("iav")) {
      DISPID id = m.arguments().at(0).toInt();
      QVariantList lista = lista_variantes(m.arguments().at(1));
      std::vector<VARIANT> args(static_cast<size_t>(lista.size()));
      for (auto& a : args) VariantInit(&a);
      auto limpiar = [&] {
        for (auto& a : args) VariantClear(&a);
      };
      // DISPPARAMS holds the arguments last first.
      for (qsizetype k = 0; k < lista.size(); ++k)
        if (!a_variante(lista[k], args[static_cast<size_t>(lista.size() - 1 - k)])) {
          limpiar();
          fallar(m, DISP_E_TYPEMISMATCH);
          return;
        }
      IDispatch* d = nullptr;
      HRESULT r = e.objeto->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
      if (FAILED(r)) {
        limpiar();
        fallar(m, r);
        return;
      }
      DISPPARAMS p{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
      VARIANT res;
      VariantInit(&res);
      EXCEPINFO ex{};
      r = d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &p, &res, &ex, nullptr);
      d->Release();
      limpiar();
      if (FAILED(r)) {
        VariantClear(&res);
        fallar(m, r == DISP_E_EXCEPTION && FAILED(ex.scode) ? ex.scode : r);
        return;
      }
      QVariant q = de_variante(res);
      VariantClear(&res);
      responder(m, {QVariant::fromValue(QDBusVariant(q))});
      return;
    }
    if (i == kDispatch) {
      fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownMethod",
                  QStringLiteral("No method %1(%2) in %3").arg(metodo, firma, kDispatch));
      return;
    }
  }
  // The object's own interface, through its type information.
  const DeclTipo* tipo = nullptr;
  ITypeInfo* info = nullptr;
  HRESULT hay = info_para(e.objeto, i, &info, &tipo);
  if (FAILED(hay) && i.startsWith(QLatin1String("kalovet."))) {
    // Without its type information the interface cannot be reached by name.
    fallar(m, hay);
    return;
  }
  if (!info) {
    fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownInterface", QStringLiteral("No such interface: ") + i);
    return;
  }
  const DeclFuncion* f = nullptr;
  for (const auto& c : tipo->funciones)
    if (QString::fromStdString(c.nombre) == metodo) f = &c;
  QString esperada;
  if (f)
    for (const auto& p : f->parametros)
      if (!(p.flags & PARAMFLAG_FRETVAL)) esperada += p.vt == VT_BSTR ? QStringLiteral("s") : QStringLiteral("v");
  if (!f || firma != esperada) {
    info->Release();
    fallar_dbus(m, "org.freedesktop.DBus.Error.UnknownMethod",
                QStringLiteral("No method %1(%2) in %3").arg(metodo, firma, i));
    return;
  }
  std::vector<VARIANT> args(static_cast<size_t>(m.arguments().size()));
  for (auto& a : args) VariantInit(&a);
  bool convertidos = true;
  for (qsizetype k = 0; k < m.arguments().size(); ++k)
    convertidos = convertidos && a_variante(m.arguments()[k], args[static_cast<size_t>(args.size() - 1 - k)]);
  HRESULT r = DISP_E_TYPEMISMATCH;
  VARIANT res;
  VariantInit(&res);
  EXCEPINFO ex{};
  if (convertidos) {
    void* itf = nullptr;
    r = e.objeto->QueryInterface(tipo->guid, &itf);
    if (SUCCEEDED(r)) {
      DISPPARAMS p{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
      r = info->Invoke(itf, f->memid, f->invkind, &p, &res, &ex, nullptr);
      static_cast<IUnknown*>(itf)->Release();
    }
  }
  for (auto& a : args) VariantClear(&a);
  info->Release();
  if (FAILED(r)) {
    VariantClear(&res);
    fallar(m, r == DISP_E_EXCEPTION && FAILED(ex.scode) ? ex.scode : r);
    return;
  }
  QVariantList salida;
  if (res.vt == VT_BSTR) salida << QString::fromStdU16String(std::u16string(vista(res.bstrVal)));
  VariantClear(&res);
  responder(m, salida);
}

}  // namespace

// The bus is connected when a class object is first registered: registering
// or unregistering a server needs no bus and no application object.
HRESULT CoInitialize() { return S_OK; }

void CoUninitialize() {}

HRESULT CoRegisterClassObject(const CLSID&, const std::string& nombre_bus, IUnknown* fabrica, DWORD contexto, DWORD,
                              DWORD* cookie) {
  if (!fabrica || !cookie) return E_INVALIDARG;
  *cookie = 0;
  if (!(contexto & 4)) return E_INVALIDARG;  // only local servers live on the bus
  QDBusConnection c = QDBusConnection::sessionBus();
  if (!c.isConnected()) {
    std::fprintf(stderr, "kalovet: no session bus (%s); automation clients cannot reach %s\n",
                 c.lastError().message().toLocal8Bit().constData(), nombre_bus.c_str());
    return E_FAIL;
  }
  IClassFactory* f = nullptr;
  HRESULT r = fabrica->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&f));
  if (FAILED(r)) return r;
  auto puente = std::make_unique<PuenteClase>(c, QString::fromStdString(nombre_bus), f);
  if (!c.registerVirtualObject(puente->ruta(), puente.get(), QDBusConnection::SubPath)) {
    std::fprintf(stderr, "kalovet: cannot register %s on the session bus\n", puente->ruta().toLocal8Bit().constData());
    return E_FAIL;
  }
  auto respuesta = c.interface()->registerService(puente->nombre(), QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement);
  if (!respuesta.isValid() || respuesta.value() != QDBusConnectionInterface::ServiceRegistered) {
    std::fprintf(stderr, "kalovet: the bus name %s is taken; this server takes no automation clients\n",
                 nombre_bus.c_str());
    c.unregisterObject(puente->ruta(), QDBusConnection::UnregisterTree);
    return CO_E_NOT_SUPPORTED;
  }
  static DWORD siguiente = 0;
  *cookie = ++siguiente;
  registrados()[*cookie] = std::move(puente);
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  auto it = registrados().find(cookie);
  if (it == registrados().end()) return E_INVALIDARG;
  QDBusConnection c = QDBusConnection::sessionBus();
  // Giving up the name is a call that waits for the bus, so every reply
  // queued before it has been written when it returns.
  c.interface()->unregisterService(it->second->nombre());
  c.unregisterObject(it->second->ruta(), QDBusConnection::UnregisterTree);
  // The objects clients still hold are not released one by one at exit.
  registrados().erase(it);
  return S_OK;
}

int objetos_en_bus() {
  int n = 0;
  for (const auto& [c, p] : registrados()) n += p->objetos();
  return n;
}

}  // namespace com::bus
