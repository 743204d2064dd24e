/* Seed data (UTF-8; loaded with isql -ch UTF8 into WIN1252 databases). The tests of
   the program rely on these rows: change them only together with those tests. */

/* Stations. 03 is the example user's; 04 has no database name (not identified);
   103 has a three-character code; 05 has an apostrophe in its user name. */
insert into ESTACOES (ESTACAO, DATBASNAM, TIPO, ATCAIXA, ESVAZIAR, EMUSO,
                      CAMINHOSEQUENCIAL1, USUARIO)
  values ('03', 'C:\magnolia\Interfac03\MAGNOLIA.BD', 'BALCAO', '', 'N', 'N', 'PDF', 'maria');
insert into ESTACOES (ESTACAO, DATBASNAM, TIPO, EMUSO, USUARIO)
  values ('04', null, 'BALCAO', 'N', 'joao');
insert into ESTACOES (ESTACAO, DATBASNAM, TIPO, EMUSO, CAMINHOSEQUENCIAL1, USUARIO)
  values ('103', 'C:\magnolia\Interfac10\MAGNOLIA.BD', 'LABORATORIO', 'N', '', 'pedro');
insert into ESTACOES (ESTACAO, DATBASNAM, TIPO, EMUSO, CAMINHOSEQUENCIAL1, USUARIO)
  values ('05', 'C:\magnolia\Interfac05\MAGNOLIA.BD', 'BALCAO', 'N', 'PDF', 'o''neill');

/* One row; CHAR columns keep their blanks, several columns are NULL. */
insert into CONFIG (USARPRECOMOV, CORFUNDO, DIRETORIOPRINCIPAL, ULTIMONPEDIDO,
                    ULTIMOCODCLIENTE, ULTIMONCUPOM, ULTIMOCODIGO, ACESSAESTOQUEATUAL,
                    DESCRICAOPM, LOJA, FONTE, TAMANHO, COR)
  values ('S', 15794175, 'C:\MAGNOLIA', 1002, 77, 0, 123, 'N',
          'PREÇO MÉDIO', '01', 'Consolas', 8, 0);

/* Components: 000123 with two tests, and a test whose specification is missing;
   000456 without tests; 000789 with an accented name and a long specification. */
insert into COMPONEN (CODIGO, COMPONENTE) values ('000123', 'ACIDO ASCORBICO');
insert into COMPONEN (CODIGO, COMPONENTE) values ('000456', 'LACTOSE MONOIDRATADA');
insert into COMPONEN (CODIGO, COMPONENTE) values ('000789', 'ÓXIDO DE ZINCO');

/* Codes out of ENSAIO order: the report lists tests by name. */
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (1, 'IDENTIFICACAO POR INFRAVERMELHO', 'CONFORME');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (2, 'ASPECTO', 'PO CRISTALINO BRANCO OU QUASE BRANCO, INODORO, DE SABOR ACIDO');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (3, 'DOSEAMENTO', 'NO MÍNIMO 99,0% E NO MÁXIMO 100,5% DE ZnO, EM RELAÇÃO À SUBSTÂNCIA DESSECADA, DETERMINADO POR TITULAÇÃO COMPLEXOMÉTRICA COM EDETATO DISSÓDICO 0,1 M');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (4, 'CARACTERÍSTICAS FÍSICAS', 'PÓ BRANCO, AMORFO, INODORO');

insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('000123', 1);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('000123', 2);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('000123', 999);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('000789', 3);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('000789', 4);

/* Work rows of a previous report. */
insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('03', 1, 'LAUDO ANTERIOR');
insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('03', 2, 'LINHA 2');
insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('04', 1, 'OUTRA ESTACAO');

/* Orders marked in a cash register. */
insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('03', 1001, 'X');
insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('03', 1002, 'X');
insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('04', 1001, 'X');

commit;
