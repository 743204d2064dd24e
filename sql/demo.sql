/* Demo data, loaded after the seed (UTF-8; isql -ch UTF8 into WIN1252 databases, so the
   accented letters are stored as single code-page-1252 bytes). scripts/demo.sh passes it
   to scripts/firebird-servidor.sh in TESSELA_SQL_EXTRA. The tests never load it.

   Besides the seed rows 000123 (the example), 000456 (no tests) and 000789 (accented name):
     001001  a name of 70 characters, the longest COMPONENTE holds (the product line grows
             past 119 columns), a test name of 100 characters and a specification of 250
     001002  a "/" in the name: the Laudo file is named with "_" in its place
     001003  a ":" in the name
     001004  accented letters in the name, the test names and the specifications
     001005  accented name, no tests: the table is the header and the footer only */

/* Station 03 prints on the PDF queue of the demo, found by its exact name. */
update ESTACOES set CAMINHOSEQUENCIAL1 = 'PDF_Laudo' where ESTACAO = '03';

insert into COMPONEN (CODIGO, COMPONENTE)
  values ('001001', 'EXTRATO SECO DE CENTELLA ASIÁTICA PADRONIZADO A 40 % DE ASIATICOSÍDEOS');
insert into COMPONEN (CODIGO, COMPONENTE) values ('001002', 'SULFATO DE CONDROITINA 4/6 SÓDICA');
insert into COMPONEN (CODIGO, COMPONENTE) values ('001003', 'VITAMINA B12 1:1000');
insert into COMPONEN (CODIGO, COMPONENTE) values ('001004', 'ÁCIDO HIALURÔNICO');
insert into COMPONEN (CODIGO, COMPONENTE) values ('001005', 'ÓLEO DE AMÊNDOAS DOCES');

insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (101, 'ASPECTO', 'PÓ FINO, CASTANHO-CLARO A CASTANHO, HIGROSCÓPICO, COM ODOR CARACTERÍSTICO');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (102, 'TEOR DE ASIATICOSÍDEOS',
          'NO MÍNIMO 38,0% E NO MÁXIMO 42,0% DE ASIATICOSÍDEOS TOTAIS, EXPRESSOS COMO ASIATICOSÍDEO, EM RELAÇÃO À SUBSTÂNCIA DESSECADA, DETERMINADO POR CROMATOGRAFIA LÍQUIDA DE ALTA EFICIÊNCIA (CLAE) COM DETECÇÃO NO ULTRAVIOLETA A 205 NM, CONTRA PADRÃO EXTERNO.');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (103, 'DETERMINAÇÃO DOS METAIS PESADOS (CHUMBO, CÁDMIO, MERCÚRIO E O ARSÊNIO) POR ABSORÇÃO ATÔMICA EM FORNO',
          'NO MÁXIMO 10 PPM');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (104, 'PERDA POR DESSECAÇÃO', 'NO MÁXIMO 5,0% (1 G, 105 °C, 3 HORAS)');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (105, 'IDENTIFICAÇÃO', 'A MANCHA PRINCIPAL DO CROMATOGRAMA DA AMOSTRA CORRESPONDE À DO PADRÃO');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (106, 'PH (SOLUÇÃO A 1%)', 'ENTRE 5,0 E 8,5');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (107, 'TEOR DE CIANOCOBALAMINA', 'ENTRE 0,095% E 0,105% (TRITURADO 1:1000 EM MANITOL)');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (108, 'ASPECTO', 'PÓ ROSADO, FINO, HOMOGÊNEO');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (109, 'ASPECTO', 'PÓ BRANCO OU QUASE BRANCO, OU FIBRAS; MUITO HIGROSCÓPICO');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (110, 'ÁCIDO GLUCURÔNICO', 'NO MÍNIMO 43,0% (SUBSTÂNCIA DESSECADA)');
insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO)
  values (111, 'PROTEÍNAS', 'NO MÁXIMO 0,3% — MÉTODO DE LOWRY');

insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001001', 101);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001001', 102);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001001', 103);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001001', 104);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001002', 105);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001002', 106);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001002', 104);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001003', 108);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001003', 107);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001004', 109);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001004', 110);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001004', 111);
insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('001004', 106);

commit;
