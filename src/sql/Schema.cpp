#include "sql/Schema.h"

namespace tpv::schema {

QStringList workTableDrops() {
    return {QStringLiteral("DROP TABLE cargosr"), QStringLiteral("DROP TABLE Tic"),
            QStringLiteral("DROP TABLE Til"),     QStringLiteral("DROP TABLE Tilm"),
            QStringLiteral("DROP TABLE TicImp"),  QStringLiteral("DROP TABLE TilImp"),
            QStringLiteral("DROP TABLE TilmImp")};
}

QStringList workTableCreates() {
    return {
        QStringLiteral("CREATE TABLE cargosr(CaCont smallint,CaOrd smallint,CaPlac char(15),CaPlan char(40),CaCant "
                       "smallint,CaPre float,CaTot float,CaCam char(1),CaFec char(8),CaTPV smallint,modifc "
                       "smallint,modifn char(50),guarnic smallint,guarnin char(50),salsac smallint,salsan char(50))"),
        QStringLiteral("CREATE TABLE Tic(TicNum int,TicFec char(8),TicCli char(5),TicSal char(1),TicMes "
                       "smallint,TicCom smallint,TicComa smallint,TicTipo char(1),TicCam char(1),TicBas float,TicIVA "
                       "float,TicCuota float,TicTotal float,TicEst char(1),TicHab char(4),TicFec1 char(10),TicCob "
                       "char(2),tiCsER char(1),TicHue char(8),Ticni int,TicTpv smallint,TicHora datetime)"),
        QStringLiteral(
            "CREATE TABLE TicImp(TicNum int,TicFec char(8),TicCli char(5),TicSal char(1),TicMes smallint,TicCom "
            "smallint,TicComa smallint,TicTipo char(1),TicCam char(1),TicBas float,TicIVA float,TicCuota "
            "float,TicTotal float,TicEst char(1),TicHab char(4),TicFec1 char(10),TicCob char(2),tiCsER char(1),TicHue "
            "char(8),Ticni int,TicTpv smallint,TicHora datetime,TicPendOrd Int)"),
        QStringLiteral("CREATE TABLE Til(TilNum int,TilOrd smallint,TilArtc char(15),TilArtN char(40),TilCant "
                       "float,TilPre float,TilTotal float,TilEst char(1),TilFec char(8),TilComa int,TilTipo "
                       "char(1),TilNatur char(1),TilTPV smallint,TilImp smallint)"),
        QStringLiteral("CREATE TABLE TilImp(TilNum int,TilOrd smallint,TilArtc char(15),TilArtN char(40),TilCant "
                       "float,TilPre float,TilTotal float,TilEst char(1),TilFec char(8),TilComa int,TilTipo "
                       "char(1),TilNatur char(1),TilTPV smallint,TilImp smallint,TilPendOrd smallint,modifc "
                       "smallint,modifn char(50),guarnic smallint,guarnin char(50),salsac smallint,salsan char(50))"),
        QStringLiteral(
            "CREATE TABLE Tilm(fecha char (10),comanda smallint,orden smallint,artvcod char (15),mccod smallint,mlpla "
            "char (15),mlplan char (40),cantidad smallint,modifc smallint,modifn char (50),guarnic smallint,guarnin "
            "char(50),salsac smallint,salsan char(50),grupo char(1),tpv smallint,Imp smallint)"),
        QStringLiteral("CREATE TABLE TilmImp(fecha char (10),comanda smallint,orden smallint,artvcod char(15),mccod "
                       "smallint,mlpla char(15),mlplan char(40),cantidad smallint,modifc smallint,modifn "
                       "char(50),guarnic smallint,guarnin char(50),salsac smallint,salsan char(50),grupo char(1),tpv "
                       "smallint,Imp smallint,PendOrd smallint)"),
    };
}

QStringList workTableEmptying() {
    return {QStringLiteral("Delete * from cargosr"), QStringLiteral("Delete * from tic"),
            QStringLiteral("Delete * from til"),     QStringLiteral("Delete * from tilm"),
            QStringLiteral("Delete * from ticimp"),  QStringLiteral("Delete * from tilimp"),
            QStringLiteral("Delete * from tilmimp")};
}

QString createEmptyTable() { return QStringLiteral("CREATE TABLE Vacio(Id integer)"); }

QString readEmptyTable() { return QStringLiteral("Select * from Vacio"); }

}  // namespace tpv::schema
