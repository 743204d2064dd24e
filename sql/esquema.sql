/* The tables the program reads and changes, with the column types it expects.
   Run on each of the three databases (main, interface, station), which therefore
   hold the same tables. */

create table ESTACOES (
  ESTACAO            varchar(3) not null primary key,
  DATBASNAM          varchar(60),
  TIPO               varchar(16),
  ATCAIXA            varchar(60),
  ESVAZIAR           varchar(3),
  EMUSO              varchar(3),
  CAMINHOREQUISICAO  varchar(80),
  CAMINHOOM          varchar(80),
  CAMINHOECF         varchar(80),
  CAMINHOSEQUENCIAL1 varchar(80),
  CAMINHO2           varchar(80),
  ROTULO1            varchar(80),
  ROTULO2            varchar(80),
  ROTULO3            varchar(80),
  ROTULO4            varchar(80),
  ROTULO5            varchar(80),
  ROTULO6            varchar(80),
  USUARIO            varchar(60)
);

create table CONFIG (
  USARPRECOMOV       char(3),
  CORFUNDO           integer,
  DIRETORIOPRINCIPAL varchar(50),
  ULTIMONPEDIDO      integer,
  ULTIMOCODCLIENTE   integer,
  ULTIMONCUPOM       integer,
  ECF                varchar(30),
  PORTASERIAL        varchar(4),
  ULTIMOCODIGO       integer,
  ACESSAESTOQUEATUAL char(1),
  DESCRICAOPM        varchar(30),
  CODTRIBUTPM        varchar(3),
  GAVETA             varchar(15),
  LOJA               varchar(5),
  FONTE              varchar(20),
  ESTILO             varchar(20),
  TAMANHO            integer,
  COR                integer,
  CAIXA              varchar(15),
  ULTIMOLOTE         integer,
  FS_CODPESSOAS      integer,
  FS_CODPRODUTOS     integer,
  FS_CODPEDIDOS      integer,
  FS_CODPEDIDOSIT    integer,
  CODLIVRO           integer
);

create table COMPONEN (
  CODIGO     varchar(20) not null primary key,
  COMPONENTE varchar(70)
);

create table ESPECIFICACOES (
  CODIGOESPEC   integer not null primary key,
  ENSAIO        varchar(100),
  ESPECIFICACAO varchar(250)
);

/* No foreign key: a test whose specification is missing is simply not joined. */
create table ENSAIOS (
  CODIGOCOMP  varchar(10),
  CODIGOESPEC integer
);
create index ENSAIOS_COMP on ENSAIOS (CODIGOCOMP);

/* The station's work table, emptied before each report. */
create table FICHAPRO (
  ESTACAO varchar(3),
  LINHA   integer,
  TEXTO   varchar(250)
);

create table PEDIDOS (
  ESTACAO varchar(3) not null,
  NPEDIDO integer not null,
  CAIXAQ  varchar(10),
  primary key (ESTACAO, NPEDIDO)
);

commit;
