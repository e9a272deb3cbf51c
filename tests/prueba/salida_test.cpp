// The ends of the program that the access layer decides, seen from outside:
// testkalovet (offscreen) with its question answered by KALOVET_RESPUESTAS.
#include <QCoreApplication>
#include <QProcess>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace {

struct Fin {
  int estado = -1;
  QString salida;
};

Fin correr(const QString& respuestas, const QString& host) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("QT_QPA_PLATFORM", "offscreen");
  e.insert("TARJETA7240", "virtual");
  e.insert("KALOVET_RESPUESTAS", respuestas);
  e.insert("KALOVET_HOST", host);
  p.setProcessEnvironment(e);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(TESTKALOVET, {});
  Fin f;
  if (!p.waitForFinished(20000)) {  // a program that stays up is a failure here
    p.kill();
    p.waitForFinished(3000);
    return f;
  }
  f.estado = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  f.salida = QString::fromUtf8(p.readAll());
  return f;
}

TEST(Salida, CancelEndsWithZeroAndRefusedConnectionWithOne) {
  // A port nobody listens on: taken from the system, then closed again.
  QTcpServer s;
  ASSERT_TRUE(s.listen(QHostAddress::LocalHost, 0));
  const QString cerrado = QString("127.0.0.1:%1").arg(s.serverPort());
  s.close();

  Fin f = correr("Cancelar", cerrado);
  EXPECT_EQ(f.estado, 0) << f.salida.toStdString();
  EXPECT_TRUE(f.salida.contains("[caja] Kalovet | Pulsa \"SI\" para usar el SIMULADOR\ny \"NO\" para usar la TARJETA "
                                "de adquisición -> Cancelar"))
      << f.salida.toStdString();

  f = correr("Si", cerrado);
  EXPECT_EQ(f.estado, 1) << f.salida.toStdString();
  EXPECT_TRUE(f.salida.contains("[caja] testkalovet | No puedo conectar -> OK")) << f.salida.toStdString();
}

}  // namespace
